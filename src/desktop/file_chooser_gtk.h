// The desktop program's dive-site file dialogs: GtkFileChooserNative (the
// portal's dialog where one runs), owned by the active window.
#pragma once

#include "sites/file_chooser.h"

namespace orv::gtk {

class FileChooserGtk : public sites::FileChooser {
 public:
  std::optional<std::string> Open() override;
  std::optional<std::string> Save() override;
};

}  // namespace orv::gtk
