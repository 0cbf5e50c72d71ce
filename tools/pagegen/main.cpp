// orvelle-pagegen TEMPLATES PO_DIR OUT: writes OUT/<LANG>/<page> for every
// template below TEMPLATES and every PO_DIR/<LANG>.po, so a new language is one
// new .po file. A placeholder a language has no text for stops the build and
// names the page and the text; a text no page uses is reported as a warning.
// Files named "_*.htm" beside the pages are partials the pages include
// (ExpandIncludes).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "page_texts.h"
#include "po_file.h"

namespace fs = std::filesystem;
using namespace orv::pagegen;

namespace {

bool ReadFile(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return static_cast<bool>(in);
}

// Rewrites a page only when its text changed, so what depends on it is not
// rebuilt for nothing.
bool WriteIfChanged(const fs::path& p, const std::string& text) {
  std::string old;
  if (fs::exists(p) && ReadFile(p, old) && old == text) return true;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

std::vector<fs::path> Files(const fs::path& dir, bool recursive, const std::string& ext = "") {
  std::vector<fs::path> files;
  auto take = [&](const fs::directory_entry& e) {
    if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext)) files.push_back(e.path());
  };
  if (recursive) {
    for (const auto& e : fs::recursive_directory_iterator(dir)) take(e);
  } else {
    for (const auto& e : fs::directory_iterator(dir)) take(e);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// "_head.htm" beside the pages is a part of pages, never a page itself.
bool IsPartial(const fs::path& rel) { return !rel.has_parent_path() && rel.string().front() == '_'; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: orvelle-pagegen TEMPLATES PO_DIR OUT\n";
    return 2;
  }
  const fs::path templates = argv[1], po_dir = argv[2], out = argv[3];
  int faults = 0;
  try {
    std::vector<std::pair<fs::path, std::string>> pages;  // path below TEMPLATES, text
    for (const auto& p : Files(templates, true)) {
      std::string text;
      if (!ReadFile(p, text)) {
        std::cerr << p.string() << ": error: cannot read\n";
        ++faults;
      }
      pages.emplace_back(p.lexically_relative(templates), text);
    }
    std::vector<std::pair<fs::path, std::string>> outputs;
    std::vector<std::string> langs;
    for (const auto& po_path : Files(po_dir, false, ".po")) {
      const std::string lang = po_path.stem().string();
      langs.push_back(lang);
      std::string po_text;
      ReadFile(po_path, po_text);
      PoFile po = ParsePo(po_text);
      if (!po.error.empty()) {
        std::cerr << po_path.string() << ":" << po.error << "\n";
        ++faults;
        continue;
      }
      std::set<TextKey> used;
      auto render = [&](const fs::path& rel, const std::string& text) {
        const std::string name = (templates / rel).string();
        Rendered r = RenderPage(text, po, used);
        if (!r.error.empty()) {
          std::cerr << name << ":" << r.error << "\n";
          ++faults;
        }
        for (const auto& m : r.missing) {
          std::cerr << name << ":" << m.line << ": error: no " << lang << " text for \"" << m.key << "\" (add it to "
                    << po_path.string() << ")\n";
          ++faults;
        }
        return r.page;
      };
      std::map<std::string, std::string> partials;
      for (const auto& [rel, text] : pages)
        if (IsPartial(rel)) partials[rel.string()] = render(rel, text);
      for (const auto& [rel, text] : pages) {
        if (IsPartial(rel)) continue;
        std::string error;
        std::string page = ExpandIncludes(render(rel, text), partials, error);
        if (!error.empty()) {
          std::cerr << (templates / rel).string() << ":" << error << "\n";
          ++faults;
        }
        outputs.emplace_back(out / lang / rel, page);
      }
      for (const auto& [key, entry] : po.entries)
        if (!used.count(key))
          std::cerr << po_path.string() << ":" << entry.line << ": warning: \"" << ShowKey(key)
                    << "\" is used by no page\n";
    }
    if (faults) return 1;
    std::set<fs::path> written;
    for (const auto& [path, text] : outputs) {
      if (!WriteIfChanged(path, text)) {
        std::cerr << path.string() << ": error: cannot write\n";
        return 1;
      }
      written.insert(path);
    }
    // A page whose template was removed must not linger beside the program.
    for (const auto& lang : langs)
      for (const auto& p : Files(out / lang, true))
        if (!written.count(p)) fs::remove(p);
  } catch (const fs::filesystem_error& e) {
    std::cerr << "orvelle-pagegen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
