#pragma once
// File modes hold only for users other than root, and the tests run as root in CI. A test that needs
// them runs its own test function again in a child process as the user "nobody".
#include <QString>
#include <optional>
#include <sys/types.h>

namespace Unprivileged {
// This process is such a child; dir() is the folder the parent prepared for it.
bool isChild();
QString dir();

// The user the child runs as, or nothing when the system has none.
std::optional<uid_t> uid();
std::optional<gid_t> gid();

// In the parent: gives path (and, for a folder, all it holds) to that user, group as given.
void giveTo(const QString& path, gid_t group);

// Runs the test function of this program as that user, with extraGroup as a supplementary group
// when given, on the prepared folder dir. Empty when the child passed; "skip: ..." when no child can
// be run here; otherwise the child's output.
QString run(const char* function, const QString& dir, std::optional<gid_t> extraGroup = std::nullopt);
} // namespace Unprivileged
