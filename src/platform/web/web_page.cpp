// The page the browser build plays in: what the player asks of it beyond SDL.
#include <emscripten.h>

#include "platform/web/web_page.h"

namespace tavrik {

// clang-format off
EM_JS(void, tavrikPersist, (), {
  if (typeof Module.tavrikPersist === 'function') Module.tavrikPersist();
});
// clang-format on

void persistPlayerFiles() {
  tavrikPersist();
}

}  // namespace tavrik
