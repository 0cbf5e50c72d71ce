#include <gio/gio.h>
#include <libsecret/secret.h>

#include "app/settings.h"

namespace orv {

namespace {

constexpr int kProbeTimeoutMs = 1000;
constexpr char kSecretsName[] = "org.freedesktop.secrets";

const SecretSchema* AccountSchema() {
  static const SecretSchema schema = {"com.orvelle.pctool.Account",
                                      SECRET_SCHEMA_NONE,
                                      {
                                          {"email", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                          {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                      },
                                      0,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr,
                                      nullptr};
  return &schema;
}

class SecretServiceStore : public CredentialStore {
 public:
  std::optional<std::string> Lookup(const std::string& email) override {
    GError* error = nullptr;
    gchar* secret = secret_password_lookup_sync(AccountSchema(), nullptr, &error, "email", email.c_str(), nullptr);
    g_clear_error(&error);
    if (!secret) return std::nullopt;
    std::string password(secret);
    secret_password_free(secret);  // wipes the copy libsecret handed out
    return password;
  }

  bool Store(const std::string& email, const std::string& password) override {
    GError* error = nullptr;
    const std::string label = "ORVELLE PC TOOL: " + email;
    const gboolean ok = secret_password_store_sync(AccountSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                   password.c_str(), nullptr, &error, "email", email.c_str(), nullptr);
    g_clear_error(&error);
    return ok;
  }

  void Forget(const std::string& email) override {
    GError* error = nullptr;
    secret_password_clear_sync(AccountSchema(), nullptr, &error, "email", email.c_str(), nullptr);
    g_clear_error(&error);
  }
};

// The session bus address as GLib would find it, but without GLib's last
// resort of auto-launching a bus, which can spawn processes and stall.
std::string SessionBusAddress() {
  const gchar* env = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (env && *env) return env;
  const gchar* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return {};
  const std::string socket = std::string(runtime) + "/bus";
  if (!g_file_test(socket.c_str(), G_FILE_TEST_EXISTS)) return {};
  gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

// One asynchronous step of the probe, run on a private main context so the
// wait is bounded by our own timer and nothing else gets dispatched.
struct Probe {
  GMainContext* context = nullptr;
  GCancellable* cancel = nullptr;
  bool expired = false;
  bool finished = false;
  GDBusConnection* connection = nullptr;
  bool has_owner = false;

  void WaitStep() {
    finished = false;
    while (!finished && !expired) g_main_context_iteration(context, TRUE);
  }
};

void OnConnected(GObject*, GAsyncResult* result, gpointer data) {
  auto* probe = static_cast<Probe*>(data);
  probe->connection = g_dbus_connection_new_for_address_finish(result, nullptr);
  probe->finished = true;
}

void OnNameHasOwner(GObject* source, GAsyncResult* result, gpointer data) {
  auto* probe = static_cast<Probe*>(data);
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  if (reply) {
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    probe->has_owner = owned;
    g_variant_unref(reply);
  }
  probe->finished = true;
}

gboolean OnExpired(gpointer data) {
  static_cast<Probe*>(data)->expired = true;
  return G_SOURCE_REMOVE;
}

// True when a Secret Service currently owns its bus name. Asks the bus on a
// connection of its own, never waiting longer than kProbeTimeoutMs, so the
// program starts promptly even with a dead or hung session bus.
bool SecretServiceRunning() {
  const std::string address = SessionBusAddress();
  if (address.empty()) return false;

  Probe probe;
  probe.context = g_main_context_new();
  probe.cancel = g_cancellable_new();
  g_main_context_push_thread_default(probe.context);
  GSource* timer = g_timeout_source_new(kProbeTimeoutMs);
  g_source_set_callback(timer, OnExpired, &probe, nullptr);
  g_source_attach(timer, probe.context);

  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  g_dbus_connection_new_for_address(address.c_str(), flags, nullptr, probe.cancel, OnConnected, &probe);
  probe.WaitStep();
  if (probe.finished && probe.connection) {
    g_dbus_connection_call(probe.connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", g_variant_new("(s)", kSecretsName), G_VARIANT_TYPE("(b)"),
                           G_DBUS_CALL_FLAGS_NONE, kProbeTimeoutMs, probe.cancel, OnNameHasOwner, &probe);
    probe.WaitStep();
  }
  const bool running = probe.finished && probe.has_owner;

  if (!probe.finished) {
    // Timed out: cancel and give the cancelled step one chance to report,
    // so nothing refers to `probe` once it is gone. A step stuck inside a
    // hung handshake never reports and is never dispatched again either.
    g_cancellable_cancel(probe.cancel);
    while (g_main_context_iteration(probe.context, FALSE)) {
    }
  }
  g_source_destroy(timer);
  g_source_unref(timer);
  if (probe.connection) {
    g_dbus_connection_close(probe.connection, nullptr, nullptr, nullptr);
    g_object_unref(probe.connection);
  }
  g_main_context_pop_thread_default(probe.context);
  g_object_unref(probe.cancel);
  g_main_context_unref(probe.context);
  return running;
}

}  // namespace

std::unique_ptr<CredentialStore> OpenSecretServiceStore() {
  if (!SecretServiceRunning()) return nullptr;
  return std::make_unique<SecretServiceStore>();
}

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
