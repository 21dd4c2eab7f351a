'use strict';
// How the compiler takes each line of a script, written out from the language's rules and nothing of
// the grammar: the grammar test holds the grammar's scopes against these kinds.

// Every keyword head, by what it does.
const KEYWORDS = {
  layerDeclaration: ['単純レイヤー宣言', '人物レイヤー宣言', '文字レイヤー宣言'],
  channelDeclaration: ['音楽チャネル宣言', '効果音チャネル宣言'],
  variableDeclaration: ['変数宣言'],
  actionDeclaration: ['動作宣言', '文字動作宣言', '目動作宣言', '口動作宣言'],
  title: ['タイトル'],
  wait: ['動作待機', '時間待機', '入力待機', '選択待機'],
  condition: ['条件', '条件終了'],
  loop: ['ループ', 'ループ終了'],
  assignment: ['式'],
  macroDeclaration: ['マクロ宣言'],
  macroEnd: ['マクロ宣言終了'],
  insertion: ['ファイル挿入'],
};
const KEYWORD_KIND = new Map();
for (const [kind, heads] of Object.entries(KEYWORDS)) for (const head of heads) KEYWORD_KIND.set(head, kind);

const ATTRIBUTES = new Set(['X', 'Y', 'Z', 'VX', 'VY', 'VZ', 'AX', 'AY', 'AZ', 'W', 'H', 'VW', 'VH', 'T', 'VT', 'A', 'R',
  'G', 'B', 'VA', 'VR', 'VG', 'VB', 'INDEX', 'ALIGNX', 'ALIGNY', 'PLAY', 'STOP', 'VOL', 'VVOL', 'TIME', 'END', 'WAIT',
  'RWAIT']);

const FULL_TO_HALF = new Map([['＃', '#'], ['：', ':'], ['，', ','], ['＝', '='], ['＋', '+'], ['－', '-'], ['＊', '*'],
  ['／', '/'], ['％', '%'], ['＞', '>'], ['＜', '<'], ['！', '!']]);

// A directive or keyframe line as the compiler reads it: blanks gone, full-width signs, digits and
// Latin letters made half width.
function normalize(line) {
  let out = '';
  for (const c of line) {
    if (c === '\t' || c === ' ' || c === '\u3000') continue;
    if (FULL_TO_HALF.has(c)) { out += FULL_TO_HALF.get(c); continue; }
    const code = c.charCodeAt(0);
    if ((code >= 0xFF10 && code <= 0xFF19) || (code >= 0xFF21 && code <= 0xFF3A) || (code >= 0xFF41 && code <= 0xFF5A)) {
      out += String.fromCharCode(code - 0xFEE0);
      continue;
    }
    out += c;
  }
  return out;
}

// Splits text into fields at sep; field k of "a,,b" is '' for k = 1.
function fields(text, sep) {
  return text.split(sep);
}

// The kind of every line: 'blank', 'comment', 'directive', 'keyframe', 'text' or 'error' (a line the
// compiler refuses for want of a number sign). Directives carry their head and its keyword kind (or
// null for a head built from declared names or a macro's name).
function classifyLines(lines) {
  const result = [];
  let owner = null; // null, 'keyframes' or 'text': who owns the lines that follow
  for (const line of lines) {
    if (owner === 'text') {
      const text = line.replace(/\t/g, '');
      if (text === '') { result.push({ kind: 'blank' }); continue; }
      if (!text.startsWith('#') && !text.startsWith('＃')) { result.push({ kind: 'text' }); continue; }
      owner = null;
    }
    const normalized = normalize(line);
    if (owner === 'keyframes') {
      if (normalized === '') { result.push({ kind: 'blank' }); continue; }
      if (!normalized.startsWith('#')) {
        result.push({ kind: 'keyframe', attribute: fields(normalized, ',')[1] ?? '' });
        continue;
      }
      owner = null;
    }
    if (normalized === '') { result.push({ kind: 'blank' }); continue; }
    if (normalized.startsWith('##')) { result.push({ kind: 'comment' }); continue; }
    if (!normalized.startsWith('#')) { result.push({ kind: 'error' }); continue; }
    const body = normalized.replace(/#/g, '');
    const head = fields(body, ':')[0];
    const keyword = KEYWORD_KIND.get(head) ?? null;
    result.push({ kind: 'directive', head, keyword });
    if (keyword === 'actionDeclaration') owner = 'keyframes';
    else if (keyword === null && body.endsWith(':')) owner = 'text';
  }
  return result;
}

// What each character of a text line gives, by the compiler's scan of a text line: 'escape' for the
// characters of an escape, 'tag' for a tag from its first "$" to its last, 'unclosed' for a "$" that
// no "$" closes and what follows it, 'text' for the rest. Tabs, which the compiler removes, are
// 'removed'. The result has one entry per UTF-16 unit of the line.
function scanTextLine(line) {
  const kinds = new Array(line.length).fill('removed');
  const at = []; // positions in the line of the characters left once tabs are removed
  for (let i = 0; i < line.length; ++i) if (line[i] !== '\t') at.push(i);
  const chars = at.map((i) => (line[i] === '＄' ? '$' : line[i]));
  const rest = (k) => chars.slice(k).join('');
  const mark = (from, count, kind) => { for (let k = from; k < from + count; ++k) kinds[at[k]] = kind; };
  let k = 0;
  while (k < chars.length) {
    const r = rest(k);
    const escape = ['$$$', '$$', '$##', '$#'].find((e) => r.startsWith(e));
    if (escape) { mark(k, escape.length, 'escape'); k += escape.length; continue; }
    if (chars[k] === '$') {
      const close = chars.indexOf('$', k + 1);
      if (close < 0) { mark(k, chars.length - k, 'unclosed'); break; }
      mark(k, close - k + 1, 'tag');
      k = close + 1;
      if (k < chars.length) { mark(k, 1, 'text'); k += 1; } // taken as it is, whatever it is
      continue;
    }
    mark(k, 1, 'text');
    k += 1;
  }
  return kinds;
}

// A script file's text: UTF-8 when the whole file is UTF-8 (as the player takes it), else Shift-JIS.
function decodeScript(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('shift_jis').decode(bytes);
  }
}

function splitLines(text) {
  const lines = text.split(/\r?\n/);
  if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  return lines;
}

module.exports = { KEYWORDS, ATTRIBUTES, normalize, classifyLines, scanTextLine, decodeScript, splitLines };
