// Everything an import can change in a cabinet, read back for comparing
// two cabinets: the boxes with their lists, and every listed text.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"

namespace orvane::import::testing {

struct CabinetSnapshot {
    std::map<uint16_t, std::string> boxes;  // number: "parent/name/flags"
    std::map<uint16_t, cabinet::BoxList> lists;
    std::map<texts::TextId, texts::TextRecord> texts;

    bool operator==(const CabinetSnapshot& other) const;
    // A readable account of the differences, for a failed comparison.
    std::string difference(const CabinetSnapshot& other) const;
};

// Dates that the import takes from the clock (notices) are left out: a
// second run happens at another time.
CabinetSnapshot snapshot_of(cabinet::Cabinet& cabinet);
CabinetSnapshot snapshot_of_file(const std::string& path);

}  // namespace orvane::import::testing
