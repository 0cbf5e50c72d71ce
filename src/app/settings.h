// The diver's settings: language, units and the remembered sign-in. Kept in
// a GLib key file in the XDG config folder; the password goes to a
// credential store (the Secret Service), never to the file.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace orv {

class CredentialStore {
 public:
  virtual ~CredentialStore() = default;
  virtual std::optional<std::string> Lookup(const std::string& email) = 0;
  virtual bool Store(const std::string& email, const std::string& password) = 0;
  virtual void Forget(const std::string& email) = 0;
};

// The Secret Service through libsecret; null when no Secret Service answers
// quickly, in which case passwords are not remembered at all.
std::unique_ptr<CredentialStore> OpenSecretServiceStore();

class MemoryCredentialStore : public CredentialStore {
 public:
  std::optional<std::string> Lookup(const std::string& email) override;
  bool Store(const std::string& email, const std::string& password) override;
  void Forget(const std::string& email) override;

 private:
  std::string email_;
  std::optional<std::string> password_;
};

// "$XDG_CONFIG_HOME/orvelle tessaro/settings.ini" (or ~/.config/...).
std::string SettingsPath();
// Points the settings at another file (tests, portable set-ups); an empty
// path goes back to the XDG location. GLib caches the XDG folders on first
// use, so changing XDG_CONFIG_HOME later would not be seen.
void SetSettingsPath(const std::string& path);

// Start-up: "unit" into State().unit, "lang" (1 = CHT, else ENG) into
// LanguageCode. Absent values and unreadable files leave the defaults.
void ReadSettings();
// Saved by the settings dialog; write failures are not reported.
void WriteSettings(int language_index, int unit);
// Remembered sign-in values longer than this many UTF-16 units are not
// pre-filled.
constexpr size_t kMaxRememberedLength = 127;
std::string RememberedEmail();
void RememberEmail(const std::string& email);
// The remembered password of `email`; empty without a store, without an
// entry or when it is longer than kMaxRememberedLength.
std::string RememberedPassword(CredentialStore* store, const std::string& email);
// After a successful sign-in: the e-mail into the settings file, the password
// into `store` (not remembered at all when `store` is null).
void RememberSignIn(CredentialStore* store, const std::string& email, const std::string& password);

// Where the map pages' street tiles come from: "tile_url", an https address
// with {z}, {x} and {y} in it ({s} optional). Absent or unusable values give
// the OpenStreetMap server.
constexpr char kDefaultTileUrl[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
std::string TileUrlTemplate();
// "tile_cache_mb": how much disk the tile cache may take; 200 when absent or
// not a positive number.
constexpr int kDefaultTileCacheMegabytes = 200;
int TileCacheMegabytes();

// "keep_logbook": whether the desktop program keeps the whole log book on
// this computer, saving it in the background after sign-in. On unless the
// file holds 0.
bool KeepLogBook();
void WriteKeepLogBook(bool keep);

}  // namespace orv
