#include "core/common/Progress.h"

namespace ambitra {

Progress& noProgress() {
    static Progress none;
    return none;
}

}  // namespace ambitra
