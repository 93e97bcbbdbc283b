// The failure of a preview: its text says why the picture can not be shown.
#pragma once

#include <stdexcept>

namespace velmora {

class EPreviewError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace velmora
