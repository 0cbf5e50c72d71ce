// Creation of the program's web views: one web process for all of them, the
// app:// scheme serving the program folder, the bridge script in every frame,
// and no navigation away from the program's own pages.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace orv::gtk {

// "app://pages/<path below the program folder>".
std::string AppUri(const std::string& path_below_program_folder);
// The app:// address of a full file path inside the program folder.
std::string AppUriForFile(const std::string& full_path);
// Maps an app:// address back to a file below the program folder; empty when
// the address leaves it.
std::string FileForAppUri(const std::string& uri);

// A content manager holding the bridge script and its message handler
// "orv"; one per view, so each view's page events reach only its window.
WebKitUserContentManager* NewBridgeContentManager();
// The desktop's font DPI relative to 96 (GDK_DPI_SCALE, Large Text). WebKit
// zooms every page by this factor on its own.
float FontDpiScale();
// A new view sharing the program's web process, with `manager`'s bridge,
// zoomed so that its page scales by the display scale exactly once.
// Floating reference, as gtk widgets are.
WebKitWebView* NewProgramView(WebKitUserContentManager* manager);

// Prepares the shared web context; false when the engine cannot start.
bool InitWebEngine();

}  // namespace orv::gtk
