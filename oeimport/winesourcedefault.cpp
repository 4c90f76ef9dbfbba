// The registry of a platform without one of its own: the user's Wine installation, if any.
#include "oeimport/winefilesource.h"

namespace Registry {

std::unique_ptr<Source> CreatePlatformSource() {
    return std::make_unique<WineFileSource>(WineFileSource::DefaultPath());
}

}  // namespace Registry
