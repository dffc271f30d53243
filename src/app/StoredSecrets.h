#pragma once

#include <QString>

struct Session;

namespace StoredSecrets {

// Books written before passwords were hashed hold them, and the secret
// answers, as text: they are hashed once, when the book is opened, and the
// file is then compacted so the text does not linger in its free space. A
// book that refuses the change is reported, and keeps working as it was; a
// compaction that fails is reported and tried again at the next open.
void protect(Session& session);

// The note beside the book that a compaction is still owed.
QString compactionOwedPath(const QString& bookPath);

} // namespace StoredSecrets
