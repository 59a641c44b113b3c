// TIME, DISPLAY-PROPERTIES, PRINTER-PROPERTIES and DYNAMIC-SORT: bodies of
// numbers and texts, one a line. Numbers are written in signed decimal and
// read leniently; texts are stored as they are.
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <cstdio>
#include <utility>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

using namespace twfile::query;

namespace twfile {
namespace query {

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

}  // namespace query
}  // namespace twfile

namespace {

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

}  // namespace

int CTWFileQDF::WriteFieldSection(int index, const Field* fields, int count) {
    TW_RETURN_IF_ERROR(WriteSectionStart(index));
    for (int i = 0; i < count; ++i) {
        if (fields[i].number != nullptr) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%d", this->*fields[i].number);
            TW_RETURN_IF_ERROR(WriteLine(digits));
        } else {
            TW_RETURN_IF_ERROR(WriteLine((this->*fields[i].text).GetString()));
        }
    }
    TW_RETURN_IF_ERROR(WriteSectionEnd());
    return TW_EXIT();
}

int CTWFileQDF::ReadFields(const Field* fields, int count) {
    for (int i = 0; i < count; ++i) {
        CString line;
        TW_RETURN_IF_ERROR(ReadBodyLine(&line));
        fields[i].Store(*this, line);
    }
    return TW_EXIT();
}

int CTWFileQDF::WriteTimeZone() {
    TW_RETURN(WriteFieldSection(kTime, kTimeFields, CountOf(kTimeFields)));
}

// A file without a TIME section that is read, one written before the
// section existed among them, has time zone 0 and an empty time zone text.
int CTWFileQDF::ReadTimeZone(int& read) {
    TW_RETURN(ReadSection(
        kTime, read,
        [](CTWFileQDF& d, int, int) { return d.ReadFields(kTimeFields, CountOf(kTimeFields)); },
        [](CTWFileQDF& d, int, int) {
            d.m_nTimeZone = 0;
            d.m_strTimeZone.Empty();
            return 0;
        }));
}

int CTWFileQDF::WriteDisplayProperties() {
    TW_RETURN(WriteFieldSection(kDisplayProperties, kDisplayFields, CountOf(kDisplayFields)));
}

// A 1.0 body has no second display setting, which keeps its value.
int CTWFileQDF::ReadDisplayProperties(int& read) {
    TW_RETURN(ReadSection(kDisplayProperties, read, [](CTWFileQDF& d, int major, int) {
        return d.ReadFields(kDisplayFields, major == 1 ? 3 : CountOf(kDisplayFields));
    }));
}

int CTWFileQDF::WritePrinterProperties() {
    TW_RETURN(WriteFieldSection(kPrinterProperties, kPrinterFields, kPrinterLines));
}

// Three bodies:
//  1.0  two lines, the first and fourth texts;
//  2.0  ten lines read leniently: an empty line keeps its member (the fifth
//       text excepted, which only a "}" keeps) and the end of the file is no
//       error;
//  3.0  ten lines read straight into the members; the end of the file is
//       tested after lines 3, 6, 8, 9 and 10.
int CTWFileQDF::ReadPrinterProperties(int& read) {
    TW_RETURN(ReadSection(kPrinterProperties, read, [](CTWFileQDF& d, int major, int) {
        int eof = 0;
        if (major == 1) {
            TW_RETURN_IF_ERROR(d.ReadBodyLine(&d.m_strPrinterProperty1));
            TW_RETURN_IF_ERROR(d.ReadBodyLine(&d.m_strPrinterProperty4));
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
            TW_RETURN_IF_ERROR(d.ReadFields(kPrinterFields + i, kPrinterLines - i));
        }
        return TW_EXIT();
    }));
}

int CTWFileQDF::WriteDynSortSection() {
    TW_RETURN(WriteFieldSection(kDynamicSort, kDynSortFields, CountOf(kDynSortFields)));
}

// The text line must be there; an empty or missing number line keeps its
// member.
int CTWFileQDF::ReadDynamicSortProperties(int& read) {
    TW_RETURN(ReadSection(kDynamicSort, read, [](CTWFileQDF& d, int, int) {
        TW_RETURN_IF_ERROR(d.ReadBodyLine(&d.m_strDynamicSort));
        for (int i = 1; i < CountOf(kDynSortFields); ++i) {
            CString line;
            int eof = 0;
            TW_RETURN_IF_ERROR(d.ReadLine(&line, eof));
            if (!line.IsEmpty()) kDynSortFields[i].Store(d, line);
        }
        return TW_EXIT();
    }));
}
