#include "tools/tool_status.h"

#include <system_error>

namespace velmora {

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

}  // namespace velmora
