// The table of the sixteen sections of a query definition file, in file
// order. It drives writing, reading and the report of sections not read.
#ifndef TWFILE_SRC_QUERY_SECTION_TABLE_H
#define TWFILE_SRC_QUERY_SECTION_TABLE_H

#include <twfile/query/qdf.h>

namespace twfile {
namespace query {

// Row indices of the table, in file order.
enum SectionIndex : int {
    kHeader,
    kDatabase,
    kTables,
    kAttributes,
    kConditions,
    kJoins,
    kFlags,
    kWindowPosition,
    kEditedSQL,
    kCustomDataString,
    kDefaultValues,
    kNonDisplayAttributes,
    kTime,
    kDisplayProperties,
    kPrinterProperties,
    kDynamicSort
};

struct Version {
    int major;
    int minor;
};

struct Section {
    static constexpr int kMaxAccepted = 3;
    static constexpr int kNoIndicator = -1;

    // How the reader leaves a section: through its closing "}" whether it
    // read the body or not; through it only after reading the body (a
    // section not accepted is left for the next reader); or with its body,
    // which reads through the closing "}" itself (a section not accepted is
    // left for the next reader too).
    enum class End { Skipped, AfterBody, InBody };

    const char* name;
    // The version a new document writes (m_nSectionVersion after
    // Initialise).
    Version written;
    // Every version the reader reads; the rest of the array is 0.0, which no
    // section accepts.
    Version accepted[kMaxAccepted];
    // The section's writer and reader (section_io.h).
    int (*write)(CTWFileQDF& document);
    int (*read)(CTWFileQDF& document, int& read);
    // Index in m_bSectionRead, or kNoIndicator.
    int indicator;
    // Named by GetStatusString when its indicator is 0.
    bool reported;
    End end = End::Skipped;

    bool Accepts(int major, int minor) const {
        if (major == 0 && minor == 0) return false;
        for (const Version& version : accepted) {
            if (version.major == major && version.minor == minor) return true;
        }
        return false;
    }
};

// The sections, in file order.
extern const Section kSections[CTWFileQDF::kSectionCount];

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_SRC_QUERY_SECTION_TABLE_H
