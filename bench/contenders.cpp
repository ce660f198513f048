#include "contenders.h"

namespace bench {

const std::vector<Contender> &contenders() {
    static const std::vector<Contender> all = {
        {"movrimsg", movrimsg_send, movrimsg_receive, true},
        {"expat-bare", nullptr, expat_bare_receive, false},
        {"expat-copy", nullptr, expat_copy_receive, true},
        {"expat-keep", nullptr, expat_keep_receive, true},
#ifdef MOVRIMSG_BENCH_HAVE_PUGIXML
        {"pugixml", pugixml_send, pugixml_receive, true},
#endif
#ifdef MOVRIMSG_BENCH_HAVE_TINYXML2
        {"tinyxml2", tinyxml2_send, tinyxml2_receive, true},
#endif
    };
    return all;
}

}  // namespace bench
