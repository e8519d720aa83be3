// The platform services that the extension reaches, passed in together.
// Nothing here is global: a process makes one Environment per device and
// hands it to whatever needs it.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/settings.h"

namespace calldir::platform {

struct Environment {
  SettingsProvider& settings;
  FileManager& files;
  Bundle& bundle;
  Clock& clock;
  std::string group;  // the app group identifier
};

}  // namespace calldir::platform
