// TIME, DISPLAY-PROPERTIES, PRINTER-PROPERTIES and DYNAMIC-SORT: bodies of
// numbers and texts, one a line. Numbers are written in signed decimal and
// read leniently; texts are stored as they are.
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <cstdio>
#include <utility>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

namespace twfile {
namespace query {

namespace {

// One body line: a number member or a text member.
struct Field {
    int CTWFileQDF::*number;
    CString CTWFileQDF::*text;

    void Store(CTWFileQDF& document, CString& line) const {
        if (number != nullptr) {
            document.*number = DecimalValue(line.GetString());
        } else {
            document.*text = std::move(line);
        }
    }
};

constexpr Field Number(int CTWFileQDF::*member) {
    return Field{member, nullptr};
}
constexpr Field Text(CString CTWFileQDF::*member) {
    return Field{nullptr, member};
}

const Field kTimeFields[] = {Number(&CTWFileQDF::m_nTimeZone), Text(&CTWFileQDF::m_strTimeZone)};

// Version 1.0 has the first three lines.
const Field kDisplayFields[] = {
    Number(&CTWFileQDF::m_nDisplayProperty1),
    Text(&CTWFileQDF::m_strBackgroundColour),
    Text(&CTWFileQDF::m_strTextColour),
    Number(&CTWFileQDF::m_nDisplayProperty2),
};

const Field kPrinterFields[] = {
    Text(&CTWFileQDF::m_strPrinterProperty1), Text(&CTWFileQDF::m_strPrinterProperty2),
    Text(&CTWFileQDF::m_strPrinterProperty3), Text(&CTWFileQDF::m_strPrinterProperty4),
    Text(&CTWFileQDF::m_strPrinterProperty5), Text(&CTWFileQDF::m_strPrinterProperty6),
    Text(&CTWFileQDF::m_strPrinterProperty7), Text(&CTWFileQDF::m_strPrinterProperty8),
    Number(&CTWFileQDF::m_nPrinterProperty1), Number(&CTWFileQDF::m_nPrinterProperty2),
};
constexpr int kPrinterLines = 10;
// The printer's fifth line, which a lenient body stores even when empty.
constexpr int kPrinterFifthLine = 4;

const Field kDynSortFields[] = {
    Text(&CTWFileQDF::m_strDynamicSort),
    Number(&CTWFileQDF::m_nDynamicSort1),
    Number(&CTWFileQDF::m_nDynamicSort2),
    Number(&CTWFileQDF::m_nDynamicSort3),
};

template <typename T, int N>
constexpr int CountOf(const T (&)[N]) {
    return N;
}

// A section whose body is the given fields, one line each.
int WriteFieldSection(CTWFileQDF& document, int index, const Field* fields, int count) {
    TW_RETURN_IF_ERROR(WriteSectionStart(document, index));
    for (int i = 0; i < count; ++i) {
        if (fields[i].number != nullptr) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%d", document.*fields[i].number);
            TW_RETURN_IF_ERROR(WriteLine(document, digits));
        } else {
            TW_RETURN_IF_ERROR(WriteLine(document, (document.*fields[i].text).GetString()));
        }
    }
    TW_RETURN_IF_ERROR(WriteSectionEnd(document));
    return TW_EXIT();
}

// Reads count body lines into fields; the end of the file raises and
// leaves the field of that line unchanged.
int ReadFields(CTWFileQDF& document, const Field* fields, int count) {
    for (int i = 0; i < count; ++i) {
        CString line;
        TW_RETURN_IF_ERROR(ReadBodyLine(document, &line));
        fields[i].Store(document, line);
    }
    return TW_EXIT();
}

}  // namespace

int WriteTimeZone(CTWFileQDF& document) {
    TW_RETURN(WriteFieldSection(document, kTime, kTimeFields, CountOf(kTimeFields)));
}

// A file without a TIME section that is read, one written before the
// section existed among them, has time zone 0 and an empty time zone text.
int ReadTimeZone(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(
        document, kTime, read,
        [](CTWFileQDF& d, int, int) { return ReadFields(d, kTimeFields, CountOf(kTimeFields)); },
        [](CTWFileQDF& d, int, int) {
            d.m_nTimeZone = 0;
            d.m_strTimeZone.Empty();
            return 0;
        }));
}

int WriteDisplayProperties(CTWFileQDF& document) {
    TW_RETURN(
        WriteFieldSection(document, kDisplayProperties, kDisplayFields, CountOf(kDisplayFields)));
}

// A 1.0 body has no second display setting, which keeps its value.
int ReadDisplayProperties(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kDisplayProperties, read, [](CTWFileQDF& d, int major, int) {
        return ReadFields(d, kDisplayFields, major == 1 ? 3 : CountOf(kDisplayFields));
    }));
}

int WritePrinterProperties(CTWFileQDF& document) {
    TW_RETURN(WriteFieldSection(document, kPrinterProperties, kPrinterFields, kPrinterLines));
}

// Three bodies:
//  1.0  two lines, the first and fourth texts;
//  2.0  ten lines read leniently: an empty line keeps its member (the fifth
//       text excepted, which only a "}" keeps) and the end of the file is no
//       error;
//  3.0  ten lines read straight into the members; the end of the file is
//       tested after lines 3, 6, 8, 9 and 10.
int ReadPrinterProperties(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kPrinterProperties, read, [](CTWFileQDF& d, int major, int) {
        int eof = 0;
        if (major == 1) {
            TW_RETURN_IF_ERROR(ReadBodyLine(d, &d.m_strPrinterProperty1));
            TW_RETURN_IF_ERROR(ReadBodyLine(d, &d.m_strPrinterProperty4));
        } else if (major == 2) {
            for (int i = 0; i < kPrinterLines; ++i) {
                CString line;
                TW_RETURN_IF_ERROR(d.ReadLine(&line, eof));
                const bool keep = i == kPrinterFifthLine ? IsLine(line, "}") : line.IsEmpty();
                if (!keep) kPrinterFields[i].Store(d, line);
            }
        } else {
            // The ends of the groups of text lines after which the end of
            // the file is tested.
            constexpr int kGroupEnds[] = {3, 6, 8};
            int i = 0;
            for (const int groupEnd : kGroupEnds) {
                for (; i < groupEnd; ++i)
                    TW_RETURN_IF_ERROR(d.ReadLine(&(d.*kPrinterFields[i].text), eof));
                if (eof != 0) return TW_RAISE(kQdfError, kUnexpectedEof);
            }
            TW_RETURN_IF_ERROR(ReadFields(d, kPrinterFields + i, kPrinterLines - i));
        }
        return TW_EXIT();
    }));
}

int WriteDynSortSection(CTWFileQDF& document) {
    TW_RETURN(WriteFieldSection(document, kDynamicSort, kDynSortFields, CountOf(kDynSortFields)));
}

// The text line must be there; an empty or missing number line keeps its
// member.
int ReadDynamicSortProperties(CTWFileQDF& document, int& read) {
    TW_RETURN(ReadSection(document, kDynamicSort, read, [](CTWFileQDF& d, int, int) {
        TW_RETURN_IF_ERROR(ReadBodyLine(d, &d.m_strDynamicSort));
        for (int i = 1; i < CountOf(kDynSortFields); ++i) {
            CString line;
            int eof = 0;
            TW_RETURN_IF_ERROR(d.ReadLine(&line, eof));
            if (!line.IsEmpty()) kDynSortFields[i].Store(d, line);
        }
        return TW_EXIT();
    }));
}

}  // namespace query
}  // namespace twfile

// The document's own operations for the two sections it offers by name.
int CTWFileQDF::WritePrinterProperties() {
    TW_RETURN(twfile::query::WritePrinterProperties(*this));
}

int CTWFileQDF::ReadPrinterProperties(int& read) {
    TW_RETURN(twfile::query::ReadPrinterProperties(*this, read));
}

int CTWFileQDF::ReadDynamicSortProperties(int& read) {
    TW_RETURN(twfile::query::ReadDynamicSortProperties(*this, read));
}
