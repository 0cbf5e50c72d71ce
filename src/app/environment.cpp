#include "app/environment.h"

#include <cstdlib>

namespace orv {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

const ProgramEnvironment& Environment() {
  static const ProgramEnvironment environment{Variable("ORVELLE_SERVICE"), Variable("ORVELLE_CA_FILE"),
                                              Variable("ORVELLE_DEVICE"), Variable("ORVELLE_EMAIL"),
                                              Variable("ORVELLE_PASSWORD")};
  return environment;
}

}  // namespace orv
