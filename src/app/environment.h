// What the programs take from their environment: the defaults under their
// command-line options, read here and nowhere else, so orvelle-pc-tool and
// orvelle-cli cannot come to read them differently.
#pragma once

#include <string>

namespace orv {

struct ProgramEnvironment {
  std::string service;   // ORVELLE_SERVICE: "host[:port]" of a local service
  std::string ca_file;   // ORVELLE_CA_FILE: its CA certificate
  std::string device;    // ORVELLE_DEVICE: the dive computer's serial device
  std::string email;     // ORVELLE_EMAIL
  std::string password;  // ORVELLE_PASSWORD
};

// Read at the first call; an unset variable gives empty text.
const ProgramEnvironment& Environment();

}  // namespace orv
