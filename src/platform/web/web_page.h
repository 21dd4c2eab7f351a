// The page the browser build plays in.
#pragma once

namespace tavrik {

// The player's files (saves, settings, the read-wait record) written so far are kept in the browser's
// storage: the page copies its in-memory folder there, in the background.
void persistPlayerFiles();

}  // namespace tavrik
