#include "Privacy.h"

namespace platform {

BrowserDataAccess browserDataAccess()
{
    return BrowserDataAccess::Full;
}

} // namespace platform
