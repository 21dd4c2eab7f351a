// What SDL's own JavaScript (its audio) calls in emscripten's library: emscripten's SDL port would bring
// these; a SDL built from its source does not.
mergeInto(LibraryManager.library, {
  tavrik_sdl_needs__deps: ['$autoResumeAudioContext', '$dynCall'],
  tavrik_sdl_needs: function () {},
});
