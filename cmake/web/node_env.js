// The player under node, for playing headless beside the native build: node's environment (XDG_*
// folders, TAVRIK_HOME) as its own, the machine's folders under their own names, and node's working
// folder as its own.
Module['preRun'] = (Module['preRun'] || []).concat([function () {
  Object.assign(ENV, process.env);
  const fs = require('fs');
  for (const name of fs.readdirSync('/')) {
    if (['dev', 'proc', 'sys'].includes(name)) continue;
    const path = '/' + name;
    let stat;
    try { stat = fs.statSync(path); } catch (e) { continue; }
    if (!stat.isDirectory()) continue;
    try { FS.mkdir(path); } catch (e) { /* there already */ }
    FS.mount(NODEFS, { root: path }, path);
  }
  FS.chdir(process.cwd());
}]);
