'use strict';
// Checks the game a .tvk script belongs to with the player each time the script is saved, and shows
// what the player finds as diagnostics in each of the game's files. A script that other scripts insert
// (＃ファイル挿入) is checked as part of the game that starts with the script inserting it, as the player
// compiles it, not on its own: names it uses may be declared in a file inserted before it.
const childProcess = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const vscode = require('vscode');

// Larger files are not looked into for insertions: scripts are far smaller.
const MAX_SCRIPT_BYTES = 16 << 20;
const MAX_SCRIPTS = 10000;

// A script's text as the player reads it: UTF-8 when it is valid UTF-8 (a byte order mark dropped),
// Shift-JIS otherwise.
function decodeScript(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('shift_jis').decode(bytes);
  }
}

// The full-width signs, digits and Latin letters the player narrows in a directive line, and the blanks
// it removes.
function normalizeLine(line) {
  let out = '';
  for (const ch of line) {
    if (ch === ' ' || ch === '\t' || ch === '\u3000') continue;
    const code = ch.codePointAt(0);
    if ('＃：，＝＋＊／％＞＜！'.includes(ch) || (code >= 0xFF10 && code <= 0xFF19)
      || (code >= 0xFF21 && code <= 0xFF3A) || (code >= 0xFF41 && code <= 0xFF5A)) {
      out += String.fromCodePoint(code - 0xFEE0);
    } else if (ch === '－' || ch === '\u2212') {
      out += '-';
    } else {
      out += ch;
    }
  }
  return out;
}

// The names a script inserts, as written after ＃ファイル挿入：.
function insertedNames(text) {
  const names = [];
  for (const line of text.split(/\r?\n/)) {
    const normalized = normalizeLine(line);
    if (!normalized.startsWith('#') || normalized.startsWith('##')) continue;
    const fields = normalized.replace(/#/g, '').split(':');
    if (fields[0] === 'ファイル挿入' && fields.length > 1 && fields[1] !== '') names.push(fields[1]);
  }
  return names;
}

// The files an insertion may name, as the player looks for them: as written, then with ".tvk", from the
// inserting script's folder, "\" or "/" between folders. Keys for comparing paths: the player also
// finds a name that differs in letter case only.
function insertedPaths(script, name) {
  const written = path.resolve(path.dirname(script), name.replace(/\\/g, '/'));
  return [written, `${written}.tvk`];
}
const pathKey = (file) => path.resolve(file).toLowerCase();

// The .tvk files where the scripts inserting file may be: the workspace folder's, or without one the
// file's own folder's.
async function candidateScripts(file) {
  const folder = vscode.workspace.getWorkspaceFolder(vscode.Uri.file(file));
  if (folder) {
    const found = await vscode.workspace.findFiles(new vscode.RelativePattern(folder, '**/*.tvk'), undefined, MAX_SCRIPTS);
    return found.map((uri) => uri.fsPath);
  }
  const dir = path.dirname(file);
  const names = await fs.promises.readdir(dir).catch(() => []);
  return names.filter((name) => name.toLowerCase().endsWith('.tvk')).map((name) => path.join(dir, name));
}

// The start scripts of the games file belongs to: the workspace setting tavrik.startScript when it is
// set, otherwise the scripts reached by following insertions up from file to scripts nothing inserts.
// A file nothing inserts (or that only a loop of insertions reaches) is its own start.
async function startScripts(file) {
  const uri = vscode.Uri.file(file);
  const setting = vscode.workspace.getConfiguration('tavrik', uri).get('startScript');
  if (typeof setting === 'string' && setting.trim() !== '') {
    const folder = vscode.workspace.getWorkspaceFolder(uri);
    return [path.resolve(folder ? folder.uri.fsPath : path.dirname(file), setting.trim())];
  }
  const insertersOf = new Map();
  for (const script of await candidateScripts(file)) {
    let bytes;
    try {
      if ((await fs.promises.stat(script)).size > MAX_SCRIPT_BYTES) continue;
      bytes = await fs.promises.readFile(script);
    } catch {
      continue;
    }
    for (const name of insertedNames(decodeScript(bytes))) {
      for (const inserted of insertedPaths(script, name)) {
        const key = pathKey(inserted);
        if (!insertersOf.has(key)) insertersOf.set(key, new Set());
        insertersOf.get(key).add(script);
      }
    }
  }
  const starts = [];
  const seen = new Set([pathKey(file)]);
  for (const queue = [file]; queue.length > 0;) {
    const script = queue.shift();
    const inserters = [...(insertersOf.get(pathKey(script)) ?? [])].filter((s) => pathKey(s) !== pathKey(script));
    if (inserters.length === 0) starts.push(script);
    for (const inserter of inserters) {
      if (seen.has(pathKey(inserter))) continue;
      seen.add(pathKey(inserter));
      queue.push(inserter);
    }
  }
  return starts.length > 0 ? starts.sort() : [file];
}

// The player's findings in its output, each { file, line, column, severity, message } with line and
// column counted from 1. The output is a JSON array of such objects, or lines of the plain form
// FILE:LINE:COLUMN: error|warning: MESSAGE; anything else in it is not a finding.
function parseFindings(output) {
  const text = output.trim();
  if (text.startsWith('[')) {
    try {
      const list = JSON.parse(text);
      if (Array.isArray(list)) {
        return list.filter((f) => f && typeof f.file === 'string' && Number.isInteger(f.line) && f.line >= 1
          && typeof f.message === 'string')
          .map((f) => ({
            file: f.file,
            line: f.line,
            column: Number.isInteger(f.column) && f.column >= 1 ? f.column : 1,
            severity: f.severity === 'warning' ? 'warning' : 'error',
            message: f.message,
          }));
      }
    } catch {
      // Not JSON after all: read it as plain lines.
    }
  }
  const findings = [];
  for (const line of text.split(/\r?\n/)) {
    const m = /^(.+):(\d+):(\d+): (error|warning): (.*)$/.exec(line);
    if (m) findings.push({ file: m[1], line: Number(m[2]), column: Number(m[3]), severity: m[4], message: m[5] });
  }
  return findings;
}

// The findings as diagnostics, by the absolute path of their file. A relative path is taken from the
// folder the player ran in; "\" separates folders as in scripts. lineLength(file, line) gives the
// length of a line when it is known, so that the mark reaches the end of the line.
function diagnosticsByFile(findings, cwd, lineLength = () => undefined) {
  const byFile = new Map();
  for (const f of findings) {
    const file = path.resolve(cwd, f.file.replace(/\\/g, '/'));
    const line = f.line - 1;
    const column = f.column - 1;
    const end = Math.max(column + 1, lineLength(file, line) ?? 0);
    const diagnostic = new vscode.Diagnostic(new vscode.Range(line, column, line, end), f.message,
      f.severity === 'warning' ? vscode.DiagnosticSeverity.Warning : vscode.DiagnosticSeverity.Error);
    diagnostic.source = 'tavrik';
    if (!byFile.has(file)) byFile.set(file, []);
    byFile.get(file).push(diagnostic);
  }
  return byFile;
}

function runPlayer(executable, args, cwd) {
  return new Promise((resolve) => {
    childProcess.execFile(executable, args, { cwd, encoding: 'utf8', timeout: 60000, maxBuffer: 16 << 20 },
      (error, stdout, stderr) => resolve({ error, stdout: stdout ?? '', stderr: stderr ?? '' }));
  });
}

function openLineLength(file, line) {
  const document = vscode.workspace.textDocuments.find((d) => d.uri.fsPath === file);
  return document && line < document.lineCount ? document.lineAt(line).text.length : undefined;
}

// Checks the games of one saved document; reported maps a checked start script to the files its last
// check marked.
async function lintDocument(document, collection, reported) {
  if (document.languageId !== 'tvk' || document.uri.scheme !== 'file') return;
  const executable = vscode.workspace.getConfiguration('tavrik').get('path') || 'tavrik';
  const checked = new Map();
  for (const start of await startScripts(document.uri.fsPath)) {
    const cwd = path.dirname(start);
    const { error, stdout, stderr } = await runPlayer(executable, ['--lint', '--format', 'json', start], cwd);
    if (error && error.code === 'ENOENT') {
      vscode.window.showErrorMessage(`The player "${executable}" was not found: set tavrik.path to the tavrik executable.`);
      return;
    }
    let findings = parseFindings(stdout);
    if (findings.length === 0) findings = parseFindings(stderr);
    if (findings.length === 0 && error && stderr.trim() !== '') {
      // The player failed without a finding (one without --lint, say): say what it said.
      vscode.window.showErrorMessage(`${executable} --lint: ${stderr.trim().split(/\r?\n/)[0]}`);
    }
    checked.set(start, diagnosticsByFile(findings, cwd, openLineLength));
  }
  // A start no longer checked for this file (it was checked alone before a game inserted it, say) leaves
  // none of its marks behind.
  const saved = document.uri.fsPath;
  for (const [start, marked] of reported) {
    if (checked.has(start) || (start !== saved && !marked.includes(saved))) continue;
    for (const file of marked) collection.delete(vscode.Uri.file(file));
    reported.delete(start);
  }
  // A file two games insert shows what both checks found in it.
  const byFile = new Map();
  for (const [start, marks] of checked) {
    for (const marked of reported.get(start) ?? []) collection.delete(vscode.Uri.file(marked));
    for (const [marked, diagnostics] of marks) byFile.set(marked, [...(byFile.get(marked) ?? []), ...diagnostics]);
    reported.set(start, [...marks.keys()]);
  }
  for (const [marked, diagnostics] of byFile) collection.set(vscode.Uri.file(marked), diagnostics);
}

function activate(context) {
  const collection = vscode.languages.createDiagnosticCollection('tavrik');
  const reported = new Map();
  context.subscriptions.push(collection,
    vscode.workspace.onDidSaveTextDocument((document) => lintDocument(document, collection, reported)));
}

function deactivate() {}

module.exports = { activate, deactivate, parseFindings, diagnosticsByFile, insertedNames, startScripts };
