#pragma once

#include <string>

namespace platform {

// The application folder, with a trailing "/": the folder of the running
// executable, or the value of the environment variable TAVOLA_HOME when set.
// The configuration file, the marker file and the settings files live there.
std::string appFolder();

} // namespace platform
