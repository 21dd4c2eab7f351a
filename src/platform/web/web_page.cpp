#include "platform/web/web_page.h"

#include <emscripten.h>

namespace tavrik {

namespace {

// clang-format off
EM_JS(void, tavrikFirstFrame, (), {
  if (typeof Module.onFirstFrame === 'function') Module.onFirstFrame();
});
EM_JS(void, tavrikRunEnded, (int status), {
  if (typeof Module.onRunEnded === 'function') Module.onRunEnded(status);
});
// clang-format on

}  // namespace

void pageShowsFirstFrame() {
  tavrikFirstFrame();
}

void pageRunEnded(int status) {
  tavrikRunEnded(status);
}

}  // namespace tavrik
