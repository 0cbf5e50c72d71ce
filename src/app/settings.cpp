#include "app/settings.h"

#include <glib.h>

#include <functional>
#include <mutex>

#include "app/app_state.h"
#include "app/string_table.h"

namespace orv {

namespace {

constexpr char kGroup[] = "Settings";
constexpr char kLang[] = "lang";
constexpr char kUnit[] = "unit";
constexpr char kEmail[] = "e";
constexpr char kTileUrl[] = "tile_url";
constexpr char kTileCacheMb[] = "tile_cache_mb";

std::mutex g_path_mutex;
std::string g_path_override;

struct KeyFileFree {
  void operator()(GKeyFile* k) const { g_key_file_free(k); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileFree>;

// The settings file as a key file; null when it is absent, unreadable or not
// a key file at all, which the callers treat like an empty one.
KeyFilePtr LoadKeyFile(const std::string& path) {
  KeyFilePtr file(g_key_file_new());
  GError* error = nullptr;
  const auto flags = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS);
  if (!g_key_file_load_from_file(file.get(), path.c_str(), flags, &error)) {
    g_clear_error(&error);
    return nullptr;
  }
  return file;
}

std::optional<int> ReadInt(GKeyFile* file, const char* key) {
  GError* error = nullptr;
  const int value = g_key_file_get_integer(file, kGroup, key, &error);
  if (error) {
    // Absent or not a number: the caller keeps its default.
    g_clear_error(&error);
    return std::nullopt;
  }
  return value;
}

std::string ReadString(const char* key) {
  KeyFilePtr file = LoadKeyFile(SettingsPath());
  if (!file) return {};
  gchar* value = g_key_file_get_string(file.get(), kGroup, key, nullptr);
  if (!value) return {};
  std::string text(value);
  g_free(value);
  return text;
}

// Applies `change` to the current file and writes the result atomically, so
// a crash mid-write never leaves half a file. Other keys of a valid file are
// kept; a file that does not parse is replaced by a clean one.
void Update(const std::function<void(GKeyFile*)>& change) {
  const std::string path = SettingsPath();
  if (path.empty()) return;
  KeyFilePtr file = LoadKeyFile(path);
  if (!file) file.reset(g_key_file_new());
  change(file.get());

  gchar* folder = g_path_get_dirname(path.c_str());
  g_mkdir_with_parents(folder, 0700);
  g_free(folder);

  gsize length = 0;
  gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
  if (!data) return;
  GError* error = nullptr;
  // The file names the diver's e-mail, so it is kept private to the user.
  if (!g_file_set_contents_full(path.c_str(), data, static_cast<gssize>(length), G_FILE_SET_CONTENTS_CONSISTENT, 0600,
                                &error))
    g_clear_error(&error);  // write failures are not reported to the diver
  g_free(data);
}

bool TooLongToRemember(const std::string& text) { return Utf8ToUtf16(text).size() > kMaxRememberedLength; }

}  // namespace

std::string SettingsPath() {
  {
    std::lock_guard lock(g_path_mutex);
    if (!g_path_override.empty()) return g_path_override;
  }
  const gchar* config = g_get_user_config_dir();
  if (!config || !*config) return {};
  return std::string(config) + "/orvelle tessaro/settings.ini";
}

void SetSettingsPath(const std::string& path) {
  std::lock_guard lock(g_path_mutex);
  g_path_override = path;
}

void ReadSettings() {
  KeyFilePtr file = LoadKeyFile(SettingsPath());
  std::optional<int> lang, unit;
  if (file) {
    lang = ReadInt(file.get(), kLang);
    unit = ReadInt(file.get(), kUnit);
  }
  if (unit) State().unit = *unit;
  LanguageCode = lang.value_or(0) == 1 ? "CHT" : "ENG";
}

void WriteSettings(int language_index, int unit) {
  Update([&](GKeyFile* file) {
    g_key_file_set_integer(file, kGroup, kLang, language_index);
    g_key_file_set_integer(file, kGroup, kUnit, unit);
  });
}

std::string RememberedEmail() {
  std::string email = ReadString(kEmail);
  if (TooLongToRemember(email)) return {};
  return email;
}

void RememberEmail(const std::string& email) {
  // The key file escapes line breaks, so a typed e-mail cannot add keys.
  Update([&](GKeyFile* file) { g_key_file_set_string(file, kGroup, kEmail, email.c_str()); });
}

std::string RememberedPassword(CredentialStore* store, const std::string& email) {
  if (!store || email.empty()) return {};
  std::optional<std::string> password = store->Lookup(email);
  if (!password || TooLongToRemember(*password)) return {};
  return *password;
}

void RememberSignIn(CredentialStore* store, const std::string& email, const std::string& password) {
  RememberEmail(email);
  if (store) store->Store(email, password);
}

std::string TileUrlTemplate() {
  const std::string url = ReadString(kTileUrl);
  // Plain http would let anyone on the boat's Wi-Fi swap the map.
  const bool usable = url.rfind("https://", 0) == 0 && url.find("{z}") != std::string::npos &&
                      url.find("{x}") != std::string::npos && url.find("{y}") != std::string::npos &&
                      url.find_first_of(" \t\r\n") == std::string::npos;
  return usable ? url : kDefaultTileUrl;
}

bool KeepLogBook() {
  KeyFilePtr file = LoadKeyFile(SettingsPath());
  std::optional<int> keep = file ? ReadInt(file.get(), "keep_logbook") : std::nullopt;
  return !keep || *keep != 0;
}

void WriteKeepLogBook(bool keep) {
  Update([&](GKeyFile* file) { g_key_file_set_integer(file, kGroup, "keep_logbook", keep ? 1 : 0); });
}

int TileCacheMegabytes() {
  KeyFilePtr file = LoadKeyFile(SettingsPath());
  std::optional<int> mb = file ? ReadInt(file.get(), kTileCacheMb) : std::nullopt;
  return mb && *mb > 0 ? *mb : kDefaultTileCacheMegabytes;
}

}  // namespace orv
