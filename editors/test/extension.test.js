'use strict';
// The editor extension: its manifest, how it reads the player's findings, and what a save does, with
// a stand-in for the editor's vscode module and a stand-in player.
const { describe, test, beforeEach, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const Module = require('node:module');

const { classifyLines } = require('./script_lines');

const EXTENSION = path.join(__dirname, '..', 'vscode');

// The part of the vscode module the extension uses, recording what it is asked to do.
const editor = {
  config: {},
  errors: [],
  saveHandlers: [],
  textDocuments: [],
  workspaceFolder: undefined,
};
class Range {
  constructor(startLine, startCharacter, endLine, endCharacter) {
    this.start = { line: startLine, character: startCharacter };
    this.end = { line: endLine, character: endCharacter };
  }
}
class Diagnostic {
  constructor(range, message, severity) { Object.assign(this, { range, message, severity }); }
}
class RelativePattern {
  constructor(base, pattern) { Object.assign(this, { base, pattern }); }
}
// The .tvk files below a folder, as findFiles('**/*.tvk') gives them.
function tvkFilesBelow(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((entry) => {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) return tvkFilesBelow(full);
    return entry.name.endsWith('.tvk') ? [full] : [];
  });
}
class DiagnosticCollection extends Map {
  set(uri, diagnostics) { return super.set(uri.fsPath, diagnostics); }
  delete(uri) { return super.delete(uri.fsPath); }
  dispose() {}
}
const vscodeStub = {
  Range,
  Diagnostic,
  DiagnosticSeverity: { Error: 0, Warning: 1 },
  Uri: { file: (fsPath) => ({ scheme: 'file', fsPath }) },
  RelativePattern,
  languages: { createDiagnosticCollection: () => new DiagnosticCollection() },
  window: { showErrorMessage: (message) => { editor.errors.push(message); } },
  workspace: {
    getConfiguration: (section) => ({ get: (key) => editor.config[`${section}.${key}`] }),
    getWorkspaceFolder: (uri) => {
      const folder = editor.workspaceFolder;
      return folder && !path.relative(folder, uri.fsPath).startsWith('..') ? { uri: { fsPath: folder } } : undefined;
    },
    findFiles: async (pattern) => {
      assert.equal(pattern.pattern, '**/*.tvk');
      return tvkFilesBelow(pattern.base.uri.fsPath).map((fsPath) => ({ fsPath }));
    },
    onDidSaveTextDocument: (handler) => { editor.saveHandlers.push(handler); return { dispose() {} }; },
    get textDocuments() { return editor.textDocuments; },
  },
};
const resolveFilename = Module._resolveFilename;
Module._resolveFilename = function resolve(request, ...rest) {
  return request === 'vscode' ? 'vscode' : resolveFilename.call(this, request, ...rest);
};
require.cache.vscode = { id: 'vscode', filename: 'vscode', loaded: true, exports: vscodeStub };
const extension = require(path.join(EXTENSION, 'extension.js'));

describe('the manifest', () => {
  const manifest = JSON.parse(fs.readFileSync(path.join(EXTENSION, 'package.json'), 'utf8'));

  test('gives .tvk files the grammar, Shift-JIS and the comment sign', () => {
    const [language] = manifest.contributes.languages;
    assert.deepEqual(language.extensions, ['.tvk']);
    const [grammar] = manifest.contributes.grammars;
    assert.equal(grammar.language, language.id);
    const rules = JSON.parse(fs.readFileSync(path.join(EXTENSION, grammar.path), 'utf8'));
    assert.equal(rules.scopeName, grammar.scopeName);
    assert.equal(manifest.contributes.configurationDefaults[`[${language.id}]`]['files.encoding'], 'shiftjis');
    const configuration = JSON.parse(fs.readFileSync(path.join(EXTENSION, language.configuration), 'utf8'));
    const comment = configuration.comments.lineComment;
    assert.deepEqual(classifyLines([`${comment} ＃入力待機`, `\t${comment}`]).map((k) => k.kind), ['comment', 'comment']);
  });

  test('starts the extension it names with the player setting it reads', () => {
    assert.ok(fs.existsSync(path.join(EXTENSION, manifest.main)));
    assert.equal(manifest.contributes.configuration.properties['tavrik.path'].default, 'tavrik');
    assert.equal(manifest.contributes.configuration.properties['tavrik.startScript'].default, '');
  });
});

describe('reading the findings', () => {
  test('a JSON array, lines and columns as written', () => {
    const output = JSON.stringify([
      { file: 'start.tvk', line: 3, column: 1, severity: 'error', message: '行頭に＃が必要です。' },
      { file: 'scenes/a.tvk', line: 10, column: 5, severity: 'warning', message: 'never played', code: 'x' },
    ]);
    assert.deepEqual(extension.parseFindings(`${output}\n`), [
      { file: 'start.tvk', line: 3, column: 1, severity: 'error', message: '行頭に＃が必要です。' },
      { file: 'scenes/a.tvk', line: 10, column: 5, severity: 'warning', message: 'never played' },
    ]);
    assert.deepEqual(extension.parseFindings('[]'), []);
  });

  test('entries of the array that are no finding are passed over', () => {
    const output = JSON.stringify([
      { file: 'a.tvk', line: 0, column: 1, severity: 'error', message: 'line 0 is no line' },
      { line: 2, column: 1, severity: 'error', message: 'no file' },
      { file: 'a.tvk', line: 2, severity: 'notice', message: 'no column, an unknown severity' },
      null,
      'a.tvk:1:1: error: a string',
    ]);
    assert.deepEqual(extension.parseFindings(output), [
      { file: 'a.tvk', line: 2, column: 1, severity: 'error', message: 'no column, an unknown severity' },
    ]);
  });

  test('the plain form among other lines', () => {
    const output = [
      'スクリプトエラー',
      '/home/a/game:2/start.tvk:12:3: error: タグ「赤」は未宣言です。',
      'C:\\game\\sub.tvk:1:1: warning: a: b: c',
      'start.tvk:x:1: error: no line number',
      'start.tvk:1:1: note: not a severity',
      '',
    ].join('\r\n');
    assert.deepEqual(extension.parseFindings(output), [
      { file: '/home/a/game:2/start.tvk', line: 12, column: 3, severity: 'error', message: 'タグ「赤」は未宣言です。' },
      { file: 'C:\\game\\sub.tvk', line: 1, column: 1, severity: 'warning', message: 'a: b: c' },
    ]);
  });

  test('output that only looks like JSON is read as plain lines', () => {
    assert.deepEqual(extension.parseFindings('[not json\na.tvk:4:2: error: m'),
      [{ file: 'a.tvk', line: 4, column: 2, severity: 'error', message: 'm' }]);
    assert.deepEqual(extension.parseFindings(''), []);
  });

  test('diagnostics count from 0 and go to their files', () => {
    const byFile = extension.diagnosticsByFile([
      { file: 'start.tvk', line: 3, column: 2, severity: 'error', message: 'e' },
      { file: 'scenes\\choice.tvk', line: 1, column: 1, severity: 'warning', message: 'w' },
      { file: '/other/start.tvk', line: 5, column: 4, severity: 'error', message: 'f' },
      { file: 'start.tvk', line: 7, column: 1, severity: 'warning', message: 'g' },
    ], '/game', (file, line) => (file === '/game/start.tvk' && line === 2 ? 20 : undefined));
    const summary = [...byFile].map(([file, list]) => [file, list.map((d) => [d.range.start.line, d.range.start.character,
      d.range.end.character, d.severity, d.message, d.source])]);
    assert.deepEqual(summary, [
      ['/game/start.tvk', [[2, 1, 20, 0, 'e', 'tavrik'], [6, 0, 1, 1, 'g', 'tavrik']]],
      ['/game/scenes/choice.tvk', [[0, 0, 1, 1, 'w', 'tavrik']]],
      ['/other/start.tvk', [[4, 3, 4, 0, 'f', 'tavrik']]],
    ]);
  });
});

describe('saving a script', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tavrik-extension-'));
  after(() => fs.rmSync(dir, { recursive: true, force: true }));
  // A stand-in player: it writes its arguments to calls.txt and prints output.txt, and stderr.txt on
  // its standard error when there is one (and then fails, as it does when it finds an error).
  const player = path.join(dir, 'player');
  fs.writeFileSync(player, `#!${process.execPath}
const fs = require('fs');
const path = require('path');
fs.appendFileSync(path.join(__dirname, 'calls.txt'), JSON.stringify({ args: process.argv.slice(2), cwd: process.cwd() }) + '\\n');
const output = fs.readFileSync(path.join(__dirname, 'output.txt'), 'utf8');
const errors = path.join(__dirname, 'stderr.txt');
process.stdout.write(output);
if (fs.existsSync(errors)) process.stderr.write(fs.readFileSync(errors));
process.exitCode = output.includes('error') || fs.existsSync(errors) ? 1 : 0;
`, { mode: 0o755 });
  const script = path.join(dir, 'start.tvk');
  const document = (file, languageId = 'tvk') => ({ languageId, uri: { scheme: 'file', fsPath: file } });
  const calls = () => fs.readFileSync(path.join(dir, 'calls.txt'), 'utf8').trim().split('\n').map((l) => JSON.parse(l));
  let collection;

  beforeEach(() => {
    Object.assign(editor, {
      config: { 'tavrik.path': player }, errors: [], saveHandlers: [], textDocuments: [], workspaceFolder: undefined,
    });
    for (const name of ['calls.txt', 'stderr.txt']) fs.rmSync(path.join(dir, name), { force: true });
    let made;
    const create = vscodeStub.languages.createDiagnosticCollection;
    vscodeStub.languages.createDiagnosticCollection = () => { made = create(); return made; };
    extension.activate({ subscriptions: [] });
    vscodeStub.languages.createDiagnosticCollection = create;
    collection = made;
    assert.equal(editor.saveHandlers.length, 1);
  });
  const save = (doc) => editor.saveHandlers[0](doc);

  test('runs the player on the script and shows its findings until a check finds none', async () => {
    fs.writeFileSync(path.join(dir, 'output.txt'), JSON.stringify([
      { file: script, line: 2, column: 1, severity: 'error', message: '行頭に＃が必要です。' },
      { file: 'scenes/end.tvk', line: 1, column: 3, severity: 'warning', message: 'w' },
    ]));
    await save(document(script));
    assert.deepEqual(calls(), [{ args: ['--lint', '--format', 'json', script], cwd: dir }]);
    assert.deepEqual([...collection.keys()], [script, path.join(dir, 'scenes', 'end.tvk')]);
    assert.equal(collection.get(script)[0].message, '行頭に＃が必要です。');
    assert.deepEqual(editor.errors, []);

    fs.writeFileSync(path.join(dir, 'output.txt'), '[]\n');
    await save(document(script));
    assert.deepEqual([...collection.keys()], []);
  });

  test('reads the plain form when the player writes it, on either output', async () => {
    const finding = (d) => [d.range.start.line, d.range.start.character, d.message];
    fs.writeFileSync(path.join(dir, 'output.txt'), 'start.tvk:4:2: error: タグが閉じていません。\n');
    await save(document(script));
    assert.deepEqual(collection.get(script).map(finding), [[3, 1, 'タグが閉じていません。']]);

    fs.writeFileSync(path.join(dir, 'output.txt'), '');
    fs.writeFileSync(path.join(dir, 'stderr.txt'), 'start.tvk:2:1: error: 行頭に＃が必要です。\n');
    await save(document(script));
    assert.deepEqual(collection.get(script).map(finding), [[1, 0, '行頭に＃が必要です。']]);
    assert.deepEqual(editor.errors, []);
  });

  test('shows what a player that fails without findings says', async () => {
    fs.writeFileSync(path.join(dir, 'output.txt'), '');
    fs.writeFileSync(path.join(dir, 'stderr.txt'), 'tavrik: unknown option --lint\nUsage: ...\n');
    await save(document(script));
    assert.deepEqual(editor.errors, [`${player} --lint: tavrik: unknown option --lint`]);
    assert.deepEqual([...collection.keys()], []);
  });

  test('leaves other documents alone', async () => {
    fs.writeFileSync(path.join(dir, 'output.txt'), '[]');
    await save(document(path.join(dir, 'notes.txt'), 'plaintext'));
    assert.equal(fs.existsSync(path.join(dir, 'calls.txt')), false);
  });

  // The demo's scripts, in a workspace of their own: scenes/choice.tvk uses names common.tvk declares,
  // and start.tvk inserts both.
  const game = path.join(dir, 'game');
  const demo = path.join(__dirname, '..', '..', 'examples', 'demo');
  fs.mkdirSync(path.join(game, 'scenes'), { recursive: true });
  for (const name of ['start.tvk', 'common.tvk', 'scenes/choice.tvk', 'scenes/ending.tvk'])
    fs.copyFileSync(path.join(demo, name), path.join(game, name));
  const choice = path.join(game, 'scenes', 'choice.tvk');
  const gameFindings = JSON.stringify([
    { file: path.join(game, 'start.tvk'), line: 3, column: 1, severity: 'warning', message: 'in start' },
    { file: path.join(game, 'scenes/choice.tvk'), line: 2, column: 4, severity: 'error', message: 'in choice' },
  ]);

  test('checks an inserted script as part of the game that inserts it, with findings in each file', async () => {
    editor.workspaceFolder = game;
    fs.writeFileSync(path.join(dir, 'output.txt'), gameFindings);
    await save(document(choice));
    assert.deepEqual(calls(), [{ args: ['--lint', '--format', 'json', path.join(game, 'start.tvk')], cwd: game }]);
    assert.deepEqual([...collection.keys()].sort(), [choice, path.join(game, 'start.tvk')]);
    assert.equal(collection.get(choice)[0].message, 'in choice');

    // The start script's own save checks the same game and replaces what the last check marked.
    fs.writeFileSync(path.join(dir, 'output.txt'), '[]');
    await save(document(path.join(game, 'start.tvk')));
    assert.deepEqual([...collection.keys()], []);
  });

  test('follows insertions written in full width, another letter case or UTF-8, through every game', async () => {
    editor.workspaceFolder = game;
    // A second game inserts the same scene; a scene of its own inserts a loop of two files.
    fs.writeFileSync(path.join(game, 'other.tvk'), '＃＃ UTF-8\n　＃ ファイル挿入 ： ＳＣＥＮＥＳ/Choice.tvk\n');
    fs.writeFileSync(path.join(game, 'loop1.tvk'), '＃ファイル挿入：loop2\n');
    fs.writeFileSync(path.join(game, 'loop2.tvk'), '＃ファイル挿入：loop1\n');
    try {
      fs.writeFileSync(path.join(dir, 'output.txt'), gameFindings);
      await save(document(choice));
      assert.deepEqual(calls().map((c) => c.args[3]), [path.join(game, 'other.tvk'), path.join(game, 'start.tvk')]);
      assert.deepEqual(collection.get(choice).map((d) => d.message), ['in choice', 'in choice']);
      // Nothing outside the loop inserts it: the saved file is checked as its own start.
      assert.deepEqual(await extension.startScripts(path.join(game, 'loop1.tvk')), [path.join(game, 'loop1.tvk')]);
    } finally {
      for (const name of ['other.tvk', 'loop1.tvk', 'loop2.tvk']) fs.rmSync(path.join(game, name));
    }
  });

  test('a scene checked alone before its game inserts it keeps none of those marks', async () => {
    editor.workspaceFolder = game;
    const scene = path.join(game, 'scenes', 'new.tvk');
    fs.writeFileSync(scene, '＃＃ a new scene\n');
    const start = path.join(game, 'start.tvk');
    const startText = fs.readFileSync(start);
    try {
      fs.writeFileSync(path.join(dir, 'output.txt'),
        JSON.stringify([{ file: scene, line: 1, column: 1, severity: 'error', message: 'alone' }]));
      await save(document(scene));
      assert.deepEqual([...collection.keys()], [scene]);
      // The game now inserts it, and its check finds nothing there.
      fs.appendFileSync(start, Buffer.from('\r\n\x81\x94\x83t\x83@\x83C\x83\x8B\x91\x7D\x93\xFC\x81\x46scenes\\new\r\n', 'latin1'));
      fs.writeFileSync(path.join(dir, 'output.txt'), '[]');
      await save(document(scene));
      assert.deepEqual(calls().map((c) => c.args[3]), [scene, start]);
      assert.deepEqual([...collection.keys()], []);
    } finally {
      fs.writeFileSync(start, startText);
      fs.rmSync(scene);
    }
  });

  test('a workspace setting names the start script', async () => {
    editor.workspaceFolder = game;
    editor.config['tavrik.startScript'] = 'start.tvk';
    fs.writeFileSync(path.join(game, 'notes.tvk'), '＃＃ inserted by nothing\n');
    try {
      fs.writeFileSync(path.join(dir, 'output.txt'), '[]');
      await save(document(path.join(game, 'notes.tvk')));
      assert.deepEqual(calls(), [{ args: ['--lint', '--format', 'json', path.join(game, 'start.tvk')], cwd: game }]);
    } finally {
      fs.rmSync(path.join(game, 'notes.tvk'));
    }
  });

  test('says so when the player cannot be found', async () => {
    editor.config['tavrik.path'] = path.join(dir, 'no-such-player');
    await save(document(script));
    assert.equal(editor.errors.length, 1);
    assert.match(editor.errors[0], /tavrik\.path/);
  });
});
