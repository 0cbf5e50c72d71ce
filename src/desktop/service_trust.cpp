#include "desktop/service_trust.h"

#include <gio/gio.h>
#include <webkit2/webkit2.h>

#include "cloud/service_config.h"
#include "desktop/ui_wait.h"

namespace orv::gtk {

namespace {

// The service's own certificate, from a handshake that trusts only the CA
// file; null when the service is not there or its certificate is not one
// that CA issued for this host.
GTlsCertificate* VerifiedServiceCertificate(const ServiceConfig& service) {
  GError* error = nullptr;
  GTlsDatabase* ca = g_tls_file_database_new(service.ca_file.c_str(), &error);
  if (!ca) {
    g_clear_error(&error);
    return nullptr;
  }
  GSocketClient* client = g_socket_client_new();
  g_socket_client_set_timeout(client, static_cast<guint>((service.connect_timeout_ms + 999) / 1000));
  GTlsCertificate* certificate = nullptr;
  GSocketConnection* tcp = g_socket_client_connect_to_host(client, service.host.c_str(),
                                                           static_cast<guint16>(service.port), nullptr, &error);
  GSocketConnectable* identity = g_network_address_new(service.host.c_str(), static_cast<guint16>(service.port));
  GIOStream* tls = tcp ? g_tls_client_connection_new(G_IO_STREAM(tcp), identity, &error) : nullptr;
  if (tls) {
    g_tls_connection_set_database(G_TLS_CONNECTION(tls), ca);
    if (g_tls_connection_handshake(G_TLS_CONNECTION(tls), nullptr, &error)) {
      certificate = g_tls_connection_get_peer_certificate(G_TLS_CONNECTION(tls));
      if (certificate) g_object_ref(certificate);
    }
    g_io_stream_close(tls, nullptr, nullptr);
    g_object_unref(tls);
  }
  g_clear_error(&error);
  g_object_unref(identity);
  if (tcp) g_object_unref(tcp);
  g_object_unref(client);
  g_object_unref(ca);
  return certificate;
}

// One check per process: started early, off the UI thread, and awaited
// only where a view may first load from the service.
struct Check {
  bool started = false;
  bool done = false;
  bool trusted = false;
};
Check check;

}  // namespace

void StartServiceTrust() {
  const ServiceConfig& service = Service();
  if (check.started || service.ca_file.empty()) return;
  check.started = true;
  // The handshake takes tens of milliseconds on loopback, and up to the
  // connect timeout when the service is not there: the sign-in dialog
  // needs none of it and opens meanwhile.
  GTask* task = g_task_new(
      nullptr, nullptr,
      [](GObject*, GAsyncResult* result, gpointer) {
        const auto* config = static_cast<const ServiceConfig*>(g_task_get_task_data(G_TASK(result)));
        auto* certificate = static_cast<GTlsCertificate*>(g_task_propagate_pointer(G_TASK(result), nullptr));
        check.trusted = certificate != nullptr;
        check.done = true;
        if (!certificate) return;
        webkit_web_context_allow_tls_certificate_for_host(webkit_web_context_get_default(), certificate,
                                                          config->host.c_str());
        g_object_unref(certificate);
      },
      nullptr);
  g_task_set_task_data(task, new ServiceConfig(service),
                       [](gpointer config) { delete static_cast<ServiceConfig*>(config); });
  g_task_run_in_thread(task, [](GTask* t, gpointer, gpointer config, GCancellable*) {
    g_task_return_pointer(t, VerifiedServiceCertificate(*static_cast<ServiceConfig*>(config)), g_object_unref);
  });
  g_object_unref(task);
}

bool TrustServiceCertificate() {
  StartServiceTrust();
  if (!check.started) return false;
  // Bounded: the connection and the handshake each give up after the
  // connect timeout.
  UiWait::Get().SpinUntil([] { return check.done; }, 2 * Service().connect_timeout_ms + 1000);
  return check.trusted;
}

}  // namespace orv::gtk
