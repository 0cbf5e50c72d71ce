#include "app/gtk/tile_scheme.h"

#include <memory>

#include "app/settings.h"

namespace orv::gtk {

namespace {

constexpr char kTilePrefix[] = "app://tiles/";

std::unique_ptr<maps::TileService> service;

maps::TileService& Tiles() {
  if (!service) {
    maps::TileServiceOptions options;
    options.url_template = TileUrlTemplate();
    options.cache_folder = maps::DefaultTileCacheFolder();
    options.max_bytes = static_cast<std::uint64_t>(TileCacheMegabytes()) * 1024 * 1024;
    service = std::make_unique<maps::TileService>(std::move(options));
  }
  return *service;
}

void Fail(WebKitURISchemeRequest* request) {
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no tile");
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

struct Answer {
  WebKitURISchemeRequest* request;
  maps::TileReply reply;
};

gboolean Finish(gpointer data) {
  std::unique_ptr<Answer> answer(static_cast<Answer*>(data));
  if (answer->reply.body.empty()) {
    Fail(answer->request);
  } else {
    GBytes* bytes = g_bytes_new(answer->reply.body.data(), answer->reply.body.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(bytes)));
    webkit_uri_scheme_response_set_content_type(response, answer->reply.content_type.c_str());
    webkit_uri_scheme_request_finish_with_response(answer->request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_bytes_unref(bytes);
  }
  g_object_unref(answer->request);
  return G_SOURCE_REMOVE;
}

}  // namespace

bool IsTileUri(const std::string& uri) { return uri.rfind(kTilePrefix, 0) == 0; }

void ServeTileRequest(WebKitURISchemeRequest* request) {
  const std::string uri = webkit_uri_scheme_request_get_uri(request);
  auto key = maps::ParseTilePath(std::string_view(uri).substr(sizeof kTilePrefix - 1));
  if (!key) return Fail(request);
  g_object_ref(request);
  Tiles().Get(*key, [request](maps::TileReply reply) {
    // WebKit is only touched on the UI thread.
    g_idle_add(Finish, new Answer{request, std::move(reply)});
  });
}

void UseTileService(maps::TileServiceOptions options) {
  service = std::make_unique<maps::TileService>(std::move(options));
}

void StopTileService() { service.reset(); }

}  // namespace orv::gtk
