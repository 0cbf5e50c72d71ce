// The file dialogs of the dive site page, kept apart from any toolkit so the
// page handler runs the same in the desktop program and in tests.
#pragma once

#include <optional>
#include <string>

namespace orv::sites {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The dive-site file the diver picked to read; nothing when cancelled.
  virtual std::optional<std::string> Open() = 0;
  // The path to write (the diver has agreed to replace an existing file);
  // nothing when cancelled.
  virtual std::optional<std::string> Save() = 0;
};

}  // namespace orv::sites
