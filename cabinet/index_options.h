// The settings that shape a cabinet's search index.
#pragma once

namespace orvane::cabinet {

struct IndexOptions {
    int max_memory_kib = -1;          // "Max Memory for Index"; 0 or less: automatic
    bool index_waste_basket = false;  // "Search in Waste-Basket"
    bool remove_re = false;           // "Remove Re": subjects lose "Re:", "Fw:", "Fwd:"
};

}  // namespace orvane::cabinet
