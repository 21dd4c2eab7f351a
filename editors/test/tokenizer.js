'use strict';
// Loads the .tvk grammar with the same TextMate engine the editor uses and tokenizes whole scripts.
const fs = require('node:fs');
const path = require('node:path');

const GRAMMAR = path.join(__dirname, '..', 'vscode', 'syntaxes', 'tvk.tmLanguage.json');

function loadPackages() {
  try {
    return { textmate: require('vscode-textmate'), oniguruma: require('vscode-oniguruma') };
  } catch (error) {
    throw new Error('The editor tests need their npm packages: run scripts/install-deps.sh --test '
      + `(or npm ci in editors/test). ${error.message}`);
  }
}

let grammarPromise = null;

function loadGrammar() {
  if (grammarPromise) return grammarPromise;
  const { textmate, oniguruma } = loadPackages();
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
  grammarPromise = oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength))
    .then(() => {
      const registry = new textmate.Registry({
        onigLib: Promise.resolve({
          createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
          createOnigString: (s) => new oniguruma.OnigString(s),
        }),
        loadGrammar: async (scopeName) => (scopeName === 'source.tvk'
          ? textmate.parseRawGrammar(fs.readFileSync(GRAMMAR, 'utf8'), GRAMMAR)
          : null),
      });
      return registry.loadGrammar('source.tvk');
    });
  return grammarPromise;
}

// Every line's tokens: { start, end, text, scopes } with the scopes outermost first.
async function tokenizeLines(lines) {
  const { textmate } = loadPackages();
  const grammar = await loadGrammar();
  let stack = textmate.INITIAL;
  return lines.map((line) => {
    const result = grammar.tokenizeLine(line, stack, 1000);
    if (result.stoppedEarly) throw new Error(`tokenizing took too long: ${line}`);
    stack = result.ruleStack;
    return result.tokens.map((t) => ({
      start: t.startIndex, end: Math.min(t.endIndex, line.length), text: line.slice(t.startIndex, t.endIndex),
      scopes: t.scopes,
    })).filter((t) => t.start < t.end);
  });
}

// The token holding the character at offset.
function tokenAt(tokens, offset) {
  return tokens.find((t) => t.start <= offset && offset < t.end);
}

module.exports = { GRAMMAR, tokenizeLines, tokenAt };
