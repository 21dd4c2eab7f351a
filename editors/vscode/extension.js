'use strict';
// Checks a .tvk script with the player each time it is saved and shows what the player finds as
// diagnostics, in the saved script and in the scripts it inserts.
const childProcess = require('node:child_process');
const path = require('node:path');
const vscode = require('vscode');

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

// Checks one saved document; reported maps a checked file to the files its last check marked.
async function lintDocument(document, collection, reported) {
  if (document.languageId !== 'tvk' || document.uri.scheme !== 'file') return;
  const executable = vscode.workspace.getConfiguration('tavrik').get('path') || 'tavrik';
  const file = document.uri.fsPath;
  const cwd = path.dirname(file);
  const { error, stdout, stderr } = await runPlayer(executable, ['--lint', '--format', 'json', file], cwd);
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
  for (const marked of reported.get(file) ?? []) collection.delete(vscode.Uri.file(marked));
  const byFile = diagnosticsByFile(findings, cwd, openLineLength);
  for (const [marked, diagnostics] of byFile) collection.set(vscode.Uri.file(marked), diagnostics);
  reported.set(file, [...byFile.keys()]);
}

function activate(context) {
  const collection = vscode.languages.createDiagnosticCollection('tavrik');
  const reported = new Map();
  context.subscriptions.push(collection,
    vscode.workspace.onDidSaveTextDocument((document) => lintDocument(document, collection, reported)));
}

function deactivate() {}

module.exports = { activate, deactivate, parseFindings, diagnosticsByFile };
