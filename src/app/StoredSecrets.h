#pragma once

struct Session;

namespace StoredSecrets {

// Books written before passwords were hashed hold them, and the secret
// answers, as text: they are hashed once, when the book is opened. A book
// that refuses the change is reported, and keeps working as it was.
void protect(Session& session);

} // namespace StoredSecrets
