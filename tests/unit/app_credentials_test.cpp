// The remembered password: the in-memory store, the sign-in helpers, and the
// Secret Service probe that must never hold up start-up.
#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TEST(MemoryCredentialStore, KeepsOnePasswordForOneEmail) {
  orv::MemoryCredentialStore store;
  EXPECT_FALSE(store.Lookup("diver@example.com"));
  EXPECT_TRUE(store.Store("diver@example.com", "s3cret&x=1"));
  EXPECT_EQ(store.Lookup("diver@example.com"), "s3cret&x=1");
  EXPECT_FALSE(store.Lookup("DIVER@example.com"));
  store.Forget("someone@example.com");
  EXPECT_EQ(store.Lookup("diver@example.com"), "s3cret&x=1");
  // A new sign-in replaces the remembered account.
  store.Store("buddy@example.com", "pw");
  EXPECT_FALSE(store.Lookup("diver@example.com"));
  EXPECT_EQ(store.Lookup("buddy@example.com"), "pw");
  store.Forget("buddy@example.com");
  EXPECT_FALSE(store.Lookup("buddy@example.com"));
  EXPECT_TRUE(store.Store("buddy@example.com", ""));
  EXPECT_EQ(store.Lookup("buddy@example.com"), "");
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("orvelle-cred-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    g_free(dir);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

// The probe reads the session bus from the environment; each case sets its
// own and puts the original back.
class SecretServiceProbe : public TempDir {
 protected:
  void SetUp() override {
    TempDir::SetUp();
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"}) {
      const char* value = getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    TempDir::TearDown();
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};
using RememberedSignIn = TempDir;

TEST_F(RememberedSignIn, SignInRemembersEmailInFileAndPasswordInStore) {
  orv::SetSettingsPath(dir_ + "/settings.ini");
  orv::MemoryCredentialStore store;
  orv::RememberSignIn(&store, "diver@example.com", "hunter2");
  EXPECT_EQ(orv::RememberedEmail(), "diver@example.com");
  EXPECT_EQ(orv::RememberedPassword(&store, "diver@example.com"), "hunter2");
  EXPECT_EQ(orv::RememberedPassword(&store, "other@example.com"), "");
  EXPECT_EQ(orv::RememberedPassword(nullptr, "diver@example.com"), "");

  gchar* text = nullptr;
  ASSERT_TRUE(g_file_get_contents((dir_ + "/settings.ini").c_str(), &text, nullptr, nullptr));
  const std::string file = text;
  g_free(text);
  EXPECT_EQ(file.find("hunter2"), std::string::npos) << "password must never reach the file";

  // Without a store only the e-mail is remembered.
  orv::RememberSignIn(nullptr, "buddy@example.com", "pw");
  EXPECT_EQ(orv::RememberedEmail(), "buddy@example.com");

  const std::string too_long(orv::kMaxRememberedLength + 1, 'p');
  orv::RememberSignIn(&store, "diver@example.com", too_long);
  EXPECT_EQ(orv::RememberedPassword(&store, "diver@example.com"), "");
  orv::SetSettingsPath("");
}

// Runs the probe with the given session bus environment and checks it comes
// back within its bound.
std::unique_ptr<orv::CredentialStore> ProbeWith(const char* bus, const char* runtime_dir) {
  bus ? setenv("DBUS_SESSION_BUS_ADDRESS", bus, 1) : unsetenv("DBUS_SESSION_BUS_ADDRESS");
  runtime_dir ? setenv("XDG_RUNTIME_DIR", runtime_dir, 1) : unsetenv("XDG_RUNTIME_DIR");
  const auto start = Clock::now();
  auto store = orv::OpenSecretServiceStore();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  return store;
}

TEST_F(SecretServiceProbe, NoSessionBusMeansNoStore) {
  EXPECT_EQ(ProbeWith(nullptr, nullptr), nullptr);
  // A runtime folder without a bus socket in it.
  EXPECT_EQ(ProbeWith(nullptr, dir_.c_str()), nullptr);
  EXPECT_EQ(ProbeWith(("unix:path=" + dir_ + "/no-such-socket").c_str(), nullptr), nullptr);
  EXPECT_EQ(ProbeWith("not an address", nullptr), nullptr);
}

TEST_F(SecretServiceProbe, HungSessionBusDoesNotBlockStartUp) {
  // A socket that accepts connections into its backlog but never answers
  // the authentication handshake.
  const std::string path = dir_ + "/bus";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof(addr.sun_path));
  path.copy(addr.sun_path, path.size());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  // Found through the runtime folder, as on a systemd session.
  EXPECT_EQ(ProbeWith(nullptr, dir_.c_str()), nullptr);
  close(fd);
}

// A program started for one test and stopped at its end.
class Child {
 public:
  // Starts `argv`; when `input` is given it is written to the child's stdin,
  // which is then closed. `envp` null keeps this process's environment.
  bool Start(std::vector<std::string> argv, gchar** envp = nullptr, const char* input = nullptr) {
    std::vector<gchar*> args;
    args.reserve(argv.size() + 1);
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    gint in = -1;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH);
    if (!g_spawn_async_with_pipes(nullptr, args.data(), envp, flags, nullptr, nullptr, &pid_, input ? &in : nullptr,
                                  &out_, nullptr, nullptr))
      return false;
    if (input) {
      (void)!write(in, input, strlen(input));
      close(in);
    }
    return true;
  }
  // The first output of the child, within `ms` milliseconds.
  std::string ReadLine(int ms) {
    pollfd ready{out_, POLLIN, 0};
    char line[512] = {};
    if (poll(&ready, 1, ms) != 1 || read(out_, line, sizeof(line) - 1) <= 0) return {};
    std::string text = line;
    return text.substr(0, text.find('\n'));
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      g_spawn_close_pid(pid_);
    }
    if (out_ >= 0) close(out_);
  }

 private:
  GPid pid_ = 0;
  gint out_ = -1;
};

bool Installed(const char* program) {
  gchar* path = g_find_program_in_path(program);
  g_free(path);
  return path != nullptr;
}

// A session bus of the test's own, listening in `dir`.
std::string StartBus(Child& bus, const std::string& dir) {
  const std::string address = "unix:path=" + dir + "/bus";
  if (!bus.Start({"dbus-daemon", "--session", "--nofork", "--print-address=1", "--address=" + address})) return {};
  // The daemon prints its address once it is listening.
  return bus.ReadLine(5000).empty() ? std::string() : address;
}

TEST_F(SecretServiceProbe, SeesWhetherTheSecretServiceNameIsOwned) {
  if (!Installed("dbus-daemon")) GTEST_SKIP() << "dbus-daemon not installed";
  Child bus;
  const std::string address = StartBus(bus, dir_);
  ASSERT_FALSE(address.empty()) << "dbus-daemon did not start";
  EXPECT_EQ(ProbeWith(address.c_str(), nullptr), nullptr);

  // Once something owns the Secret Service name, the probe must see it.
  GDBusConnection* owner = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  GVariant* reply =
      g_dbus_connection_call_sync(owner, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                  "RequestName", g_variant_new("(su)", "org.freedesktop.secrets", 0u),
                                  G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
  if (reply) g_variant_unref(reply);
  EXPECT_NE(ProbeWith(address.c_str(), nullptr), nullptr);
  g_dbus_connection_close_sync(owner, nullptr, nullptr);
  g_object_unref(owner);
}

TEST_F(SecretServiceProbe, KeyringStoresLooksUpAndForgets) {
  if (!Installed("dbus-daemon") || !Installed("gnome-keyring-daemon"))
    GTEST_SKIP() << "dbus-daemon or gnome-keyring-daemon not installed";
  Child bus, keyring;
  const std::string address = StartBus(bus, dir_);
  ASSERT_FALSE(address.empty()) << "dbus-daemon did not start";
  // A fresh keyring in the temporary folder, unlocked with a throwaway
  // password, so the diver's real keyring is never touched.
  gchar** env = g_get_environ();
  env = g_environ_setenv(env, "DBUS_SESSION_BUS_ADDRESS", address.c_str(), TRUE);
  env = g_environ_setenv(env, "HOME", dir_.c_str(), TRUE);
  env = g_environ_setenv(env, "XDG_DATA_HOME", (dir_ + "/data").c_str(), TRUE);
  env = g_environ_setenv(env, "XDG_RUNTIME_DIR", dir_.c_str(), TRUE);
  const bool started =
      keyring.Start({"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"}, env, "pw");
  g_strfreev(env);
  ASSERT_TRUE(started);

  std::unique_ptr<orv::CredentialStore> store;
  for (int i = 0; i < 50 && !store; ++i) {
    store = ProbeWith(address.c_str(), nullptr);
    if (!store) g_usleep(100000);
  }
  ASSERT_NE(store, nullptr) << "keyring did not appear on the bus";
  // libsecret talks over GLib's shared bus connection, which by default ends
  // the process when the bus goes away; this bus is stopped before we exit.
  if (GDBusConnection* shared = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
    g_dbus_connection_set_exit_on_close(shared, FALSE);
    g_object_unref(shared);
  }
  EXPECT_FALSE(store->Lookup("diver@example.com"));
  ASSERT_TRUE(store->Store("diver@example.com", "p\xC3\xA4ss & word"));
  ASSERT_TRUE(store->Store("buddy@example.com", "other"));
  EXPECT_EQ(store->Lookup("diver@example.com"), "p\xC3\xA4ss & word");
  ASSERT_TRUE(store->Store("diver@example.com", "changed"));
  EXPECT_EQ(store->Lookup("diver@example.com"), "changed");
  store->Forget("diver@example.com");
  EXPECT_FALSE(store->Lookup("diver@example.com"));
  EXPECT_EQ(store->Lookup("buddy@example.com"), "other");
}

}  // namespace
