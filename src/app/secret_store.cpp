#include "app/settings.h"

namespace orv {
std::unique_ptr<CredentialStore> OpenSecretServiceStore() { return nullptr; }
std::optional<std::string> MemoryCredentialStore::Lookup(const std::string& email) {
  if (email != email_) return std::nullopt;
  return password_;
}
bool MemoryCredentialStore::Store(const std::string& email, const std::string& password) {
  email_ = email;
  password_ = password;
  return true;
}
void MemoryCredentialStore::Forget(const std::string& email) {
  if (email == email_) password_.reset();
}
}  // namespace orv
