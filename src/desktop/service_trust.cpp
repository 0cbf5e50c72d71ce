#include "desktop/service_trust.h"

#include <gio/gio.h>
#include <webkit2/webkit2.h>

#include "cloud/service_config.h"

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

}  // namespace

bool TrustServiceCertificate() {
  const ServiceConfig& service = Service();
  if (service.ca_file.empty()) return false;
  GTlsCertificate* certificate = VerifiedServiceCertificate(service);
  if (!certificate) return false;
  webkit_web_context_allow_tls_certificate_for_host(webkit_web_context_get_default(), certificate,
                                                    service.host.c_str());
  g_object_unref(certificate);
  return true;
}

}  // namespace orv::gtk
