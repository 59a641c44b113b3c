#include "load.h"

namespace qdf {

namespace {

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty()) joined += "; ";
        joined += text;
    }
    return joined;
}

}  // namespace

LoadReport LoadDocument(const std::string& path, CTWFileQDF& doc) {
    LoadReport report;
    // A failure of the document's construction is still pending.
    report.diagnostics = TakeDiagnostics();
    if (report.diagnostics.error) {
        report.openFailure = "the document could not be set up";
        return report;
    }
    doc.Open(path.c_str(), 1);
    report.opened = doc.IsFileOpen() != 0;
    report.diagnostics = TakeDiagnostics();
    if (!report.opened) {
        // The file object has shown the system's reason in a message box.
        report.openFailure = report.diagnostics.messages.empty()
                                 ? std::string("cannot open the file")
                                 : Joined(report.diagnostics.messages);
        report.diagnostics.messages.clear();
        return report;
    }

    CString status;
    doc.GetStatusString(&status);
    report.statusReport.assign(status.GetString(), static_cast<std::size_t>(status.GetLength()));
    doc.Close();
    Diagnostics after = TakeDiagnostics();
    if (!report.diagnostics.error) report.diagnostics.error = after.error;
    report.diagnostics.messages.insert(report.diagnostics.messages.end(), after.messages.begin(),
                                       after.messages.end());
    return report;
}

std::string SectionsNotRead(const CTWFileQDF& doc) {
    std::string names;
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        if (doc.m_bSectionRead[i] != 0) continue;
        if (!names.empty()) names += ", ";
        names += CTWFileQDF::SectionName(i);
    }
    return names;
}

}  // namespace qdf
