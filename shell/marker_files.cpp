#include "shell/marker_files.h"

#include <unistd.h>

namespace qb {

bool MarkerFileExists(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  // An existence check only: a marker the user cannot read still counts.
  return ::access(name, F_OK) == 0;
}

}  // namespace qb
