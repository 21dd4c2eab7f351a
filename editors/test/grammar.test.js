'use strict';
// The .tvk grammar gives every line of the demo and of the golden scripts the scope of the kind of
// line the compiler takes it for, and scopes escapes and tags inside text as the compiler reads them.
const { describe, test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');

const { tokenizeLines, tokenAt } = require('./tokenizer');
const { classifyLines, scanTextLine, decodeScript, splitLines, normalize, ATTRIBUTES } = require('./script_lines');

const ROOT = path.join(__dirname, '..', '..');

// The scope that marks each kind of line, on every token of the line.
const LINE_SCOPE = {
  comment: 'comment.line.number-sign.tvk',
  directive: 'meta.directive.tvk',
  keyframe: 'meta.keyframe.tvk',
  text: 'string.unquoted.text.tvk',
  error: 'invalid.illegal.missing-number-sign.tvk',
};
// The scope a lines's owner gives it.
const BLOCK_SCOPE = { keyframe: 'meta.block.keyframes.tvk', text: 'meta.block.text.tvk' };

// The head of a keyword directive, by the keyword's kind.
const HEAD_SCOPE = {
  layerDeclaration: 'storage.type.layer.tvk',
  channelDeclaration: 'storage.type.channel.tvk',
  variableDeclaration: 'storage.type.variable.tvk',
  actionDeclaration: 'storage.type.action.tvk',
  title: 'keyword.other.title.tvk',
  wait: 'keyword.control.wait.tvk',
  condition: 'keyword.control.conditional.tvk',
  loop: 'keyword.control.loop.tvk',
  assignment: 'keyword.other.assignment.tvk',
  macroDeclaration: 'storage.type.macro.tvk',
  macroEnd: 'storage.type.macro.end.tvk',
  insertion: 'keyword.control.import.tvk',
};
// The head built from a declared object's name and one of these suffixes.
const SUFFIX_SCOPE = [
  ['画像', 'keyword.other.image.tvk'],
  ['ロード', 'keyword.other.load.tvk'],
  ['選択宣言', 'storage.type.choice.tvk'],
];
const TEXT_SCOPE = {
  escape: 'constant.character.escape',
  tag: 'meta.tag.tvk',
  unclosed: 'invalid.illegal.unclosed-tag.tvk',
};

const has = (token, scope) => token !== undefined && token.scopes.some((s) => s === scope || s.startsWith(`${scope}.`));
const isBlank = (c) => c === '\t' || c === ' ' || c === '\u3000';

// Where a directive's head is written in the raw line, or null when blanks or number signs stand
// inside it (the grammar reads a head written in one piece).
function headSpan(line) {
  let i = 0;
  while (isBlank(line[i])) ++i;
  ++i; // the number sign
  while (isBlank(line[i])) ++i;
  let end = line.slice(i).search(/[:：]/);
  end = end < 0 ? line.length : i + end;
  while (end > i && isBlank(line[end - 1])) --end;
  const written = line.slice(i, end);
  return /[\t 　#＃]/.test(written) ? null : { start: i, end, written };
}

// Every way a line's tokens differ from what the kind of the line asks, as readable strings.
function lineFaults(line, kind, tokens) {
  const faults = [];
  const fault = (what) => faults.push(`${what}: ${JSON.stringify(line)}`);
  if (kind.kind === 'blank') {
    const extra = tokens.flatMap((t) => t.scopes).filter((s) => s !== 'source.tvk' && !s.startsWith('meta.block.'));
    if (extra.length > 0) fault(`a blank line has ${extra.join(' ')}`);
    return faults;
  }
  const scope = LINE_SCOPE[kind.kind];
  for (const t of tokens) {
    if (kind.kind === 'text' && t.text.replace(/\t/g, '') === '') continue; // tabs are no text
    if (!has(t, scope)) fault(`${JSON.stringify(t.text)} is not ${scope} (${t.scopes.join(' ')})`);
  }
  if (BLOCK_SCOPE[kind.kind] && !tokens.every((t) => has(t, BLOCK_SCOPE[kind.kind]))) {
    fault(`a ${kind.kind} line outside ${BLOCK_SCOPE[kind.kind]}`);
  }
  const first = tokens.find((t) => !/^[\t 　]*$/.test(t.text));
  if (kind.kind === 'directive') {
    if (!has(first, 'punctuation.definition.directive.tvk')) fault('the number sign is not punctuation');
    const span = headSpan(line);
    if (span !== null && span.written !== '') {
      let expected = HEAD_SCOPE[kind.keyword];
      let at = span.start;
      if (kind.keyword === null) {
        const suffix = SUFFIX_SCOPE.find(([s]) => span.written.endsWith(s));
        expected = suffix ? suffix[1] : 'entity.name.function.statement.tvk';
        if (suffix) {
          at = span.end - suffix[0].length;
          if (at > span.start && !has(tokenAt(tokens, span.start), 'variable.other.object.tvk')) {
            fault('the object before the suffix is not variable.other.object');
          }
        }
      }
      const headToken = tokenAt(tokens, at);
      if (!has(headToken, expected)) fault(`head ${span.written} is not ${expected} (${headToken?.scopes.join(' ')})`);
    }
  }
  if (kind.kind === 'keyframe') {
    if (/^[0-9０-９]/.test(first.text) && !has(first, 'constant.numeric')) fault('the step is not a number');
    const comma = line.search(/[,，]/);
    if (comma >= 0) {
      let at = comma + 1;
      while (isBlank(line[at])) ++at;
      if (at < line.length && !/[,，]/.test(line[at])) {
        const expected = ATTRIBUTES.has(kind.attribute) ? 'support.constant.attribute.tvk' : 'invalid.illegal.attribute.tvk';
        if (!has(tokenAt(tokens, at), expected)) fault(`attribute ${kind.attribute} is not ${expected}`);
      }
    }
  }
  if (kind.kind === 'text') {
    const kinds = scanTextLine(line);
    for (let i = 0; i < line.length; ++i) {
      const t = tokenAt(tokens, i);
      if (kinds[i] === 'removed') continue;
      const expected = TEXT_SCOPE[kinds[i]];
      if (expected !== undefined && !has(t, expected)) fault(`${JSON.stringify(line[i])} at ${i} is not ${expected}`);
      for (const [k, s] of Object.entries(TEXT_SCOPE)) {
        if (k !== kinds[i] && has(t, s)) fault(`${JSON.stringify(line[i])} at ${i} is ${s} but is ${kinds[i]}`);
      }
    }
  }
  return faults;
}

async function scriptFaults(lines) {
  const kinds = classifyLines(lines);
  const tokens = await tokenizeLines(lines);
  return lines.flatMap((line, i) => lineFaults(line, kinds[i], tokens[i]).map((f) => `line ${i}: ${f}`));
}

function scriptsUnder(dir) {
  return fs.readdirSync(dir, { withFileTypes: true, recursive: true })
    .filter((e) => e.isFile() && e.name.endsWith('.tvk'))
    .map((e) => path.join(e.parentPath ?? e.path, e.name))
    .sort();
}

const SCRIPTS = [
  ...scriptsUnder(path.join(ROOT, 'examples', 'demo')),
  ...scriptsUnder(path.join(ROOT, 'tests', 'script', 'golden')),
];
const readScript = (file) => splitLines(decodeScript(fs.readFileSync(file)));

describe('every line of the scripts gets the scope of its kind', () => {
  test('the scripts hold every kind of line, escape and tag', () => {
    assert.ok(SCRIPTS.some((f) => f.includes(`${path.sep}demo${path.sep}`)), 'no demo script found');
    assert.ok(SCRIPTS.length > 20, `only ${SCRIPTS.length} scripts found`);
    const lineKinds = new Set();
    const textKinds = new Set();
    for (const file of SCRIPTS) {
      const lines = readScript(file);
      classifyLines(lines).forEach((k, i) => {
        lineKinds.add(k.kind);
        if (k.kind === 'text') scanTextLine(lines[i]).forEach((t) => textKinds.add(t));
      });
    }
    assert.deepEqual([...lineKinds].sort(), ['blank', 'comment', 'directive', 'error', 'keyframe', 'text']);
    assert.deepEqual([...textKinds].sort(), ['escape', 'tag', 'text', 'unclosed']);
  });

  for (const file of SCRIPTS) {
    test(path.relative(ROOT, file), async () => {
      assert.deepEqual(await scriptFaults(readScript(file)), []);
    });
  }
});

// The tokens of a line that carry a scope starting with one of the prefixes, as [text, scope].
function scoped(tokens, prefixes) {
  return tokens.flatMap((t) => {
    const s = [...t.scopes].reverse().find((x) => prefixes.some((p) => x.startsWith(p)));
    return s ? [[t.text, s]] : [];
  });
}

async function lastLineTokens(lines) {
  const tokens = await tokenizeLines(lines);
  assert.deepEqual(await scriptFaults(lines), []);
  return tokens[tokens.length - 1];
}

describe('text lines', () => {
  const block = ['＃文字レイヤー宣言：枠', '＃文字動作宣言：標準', '＃文字動作宣言：赤', '＃枠標準：'];
  const textScopes = ['constant.character.escape', 'meta.tag', 'entity.name.tag', 'punctuation.definition.tag',
    'invalid'];
  const textOf = async (line) => scoped(await lastLineTokens([...block, line]), textScopes);

  test('the longer escape is taken first', async () => {
    assert.deepEqual(await textOf('a$$$b$$c$##d$#'), [
      ['$$$', 'constant.character.escape.dollar.fullwidth.tvk'],
      ['$$', 'constant.character.escape.dollar.tvk'],
      ['$##', 'constant.character.escape.number-sign.fullwidth.tvk'],
      ['$#', 'constant.character.escape.number-sign.tvk'],
    ]);
  });

  test('a full-width dollar sign counts as a dollar sign', async () => {
    assert.deepEqual(await textOf('＄＄＄と＄赤＄い'), [
      ['＄＄＄', 'constant.character.escape.dollar.fullwidth.tvk'],
      ['＄', 'punctuation.definition.tag.begin.tvk'],
      ['赤', 'entity.name.tag.tvk'],
      ['＄', 'punctuation.definition.tag.end.tvk'],
    ]);
  });

  test('full-width number signs after a dollar sign are no escape but a tag name', async () => {
    assert.deepEqual(await textOf('$＃＃$x'), [
      ['$', 'punctuation.definition.tag.begin.tvk'],
      ['＃＃', 'entity.name.tag.tvk'],
      ['$', 'punctuation.definition.tag.end.tvk'],
    ]);
  });

  test('the character after a tag is text even when it is a dollar sign', async () => {
    // "$赤$" is the tag, the next "$" is taken as it is, and the last "$" opens a tag never closed.
    assert.deepEqual(await textOf('$赤$$$'), [
      ['$', 'punctuation.definition.tag.begin.tvk'],
      ['赤', 'entity.name.tag.tvk'],
      ['$', 'punctuation.definition.tag.end.tvk'],
      ['$', 'invalid.illegal.unclosed-tag.tvk'],
    ]);
    assert.deepEqual(await textOf('$赤$$$$'), [
      ['$', 'punctuation.definition.tag.begin.tvk'],
      ['赤', 'entity.name.tag.tvk'],
      ['$', 'punctuation.definition.tag.end.tvk'],
      ['$$', 'constant.character.escape.dollar.tvk'],
    ]);
  });

  test('a tag without its closing dollar sign is marked to its line end', async () => {
    assert.deepEqual(await textOf('ここまでは良い$標準'), [['$標準', 'invalid.illegal.unclosed-tag.tvk']]);
    assert.deepEqual(await textOf('終わりに$赤$'), [
      ['$', 'punctuation.definition.tag.begin.tvk'],
      ['赤', 'entity.name.tag.tvk'],
      ['$', 'punctuation.definition.tag.end.tvk'],
    ]);
  });

  test('the block ends at a number sign after tabs, not after spaces', async () => {
    const lines = [...block, 'あ', '\t', '　＃ふつうの字', ' #も', '\t\t＃入力待機', 'abc'];
    const kinds = classifyLines(lines).map((k) => k.kind);
    assert.deepEqual(kinds.slice(4), ['text', 'blank', 'text', 'text', 'directive', 'error']);
    assert.deepEqual(await scriptFaults(lines), []);
  });

  test('a comment ends the block and is a comment', async () => {
    const lines = [...block, 'あ', '＃＃ 終わり', 'い'];
    assert.deepEqual(classifyLines(lines).map((k) => k.kind).slice(4), ['text', 'comment', 'error']);
    assert.deepEqual(await scriptFaults(lines), []);
  });

  test('a keyword directive ending in a colon opens no block', async () => {
    for (const head of ['タイトル', '条件終了', '入力待機', '動作待機', 'マクロ宣言終了']) {
      const lines = [`＃${head}：`, 'あ'];
      assert.deepEqual(classifyLines(lines).map((k) => k.kind), ['directive', 'error'], head);
      assert.deepEqual(await scriptFaults(lines), [], head);
    }
  });

  test('a text directive written with blanks and a half-width colon opens a block', async () => {
    const lines = ['  # 枠 標準 :  ', 'あ$赤$い'];
    assert.deepEqual(classifyLines(lines).map((k) => k.kind), ['directive', 'text']);
    assert.deepEqual(await scriptFaults(lines), []);
  });
});

describe('directive lines', () => {
  const argsOf = async (line) => scoped(await lastLineTokens([line]),
    ['entity', 'variable', 'constant', 'string', 'keyword.operator', 'invalid']);

  test('declarations name what they declare', async () => {
    assert.deepEqual(await argsOf('＃文字レイヤー宣言：枠，７０，４６２，８００，６００'), [
      ['枠', 'entity.name.type.layer.tvk'], ['７０', 'constant.numeric.decimal.tvk'],
      ['４６２', 'constant.numeric.decimal.tvk'], ['８００', 'constant.numeric.decimal.tvk'],
      ['６００', 'constant.numeric.decimal.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃効果音チャネル宣言：足音'), [['足音', 'entity.name.type.channel.tvk']]);
    assert.deepEqual(await argsOf('＃変数宣言：選んだ，きらめき'), [
      ['選んだ', 'variable.other.declaration.tvk'], ['きらめき', 'variable.other.declaration.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃マクロ宣言：澪が話す'), [['澪が話す', 'entity.name.function.macro.tvk']]);
  });

  test('an action declaration names its bases', async () => {
    assert.deepEqual(await argsOf('＃文字動作宣言：赤，２，２６：地の文，跳ねる'), [
      ['赤', 'entity.name.function.action.tvk'], ['２', 'constant.numeric.decimal.tvk'],
      ['２６', 'constant.numeric.decimal.tvk'], ['地の文', 'entity.other.inherited-class.tvk'],
      ['跳ねる', 'entity.other.inherited-class.tvk'],
    ]);
    // A plain action's name is its whole first argument, commas and all.
    assert.deepEqual(await argsOf('＃動作宣言：a,b：出る'), [
      ['a,b', 'entity.name.function.action.tvk'], ['出る', 'entity.other.inherited-class.tvk'],
    ]);
  });

  test('conditions and assignments in half and full width', async () => {
    assert.deepEqual(await argsOf('＃条件：選択結果＝＝１'), [
      ['選択結果', 'variable.other.tvk'], ['＝＝', 'keyword.operator.comparison.tvk'],
      ['１', 'constant.numeric.decimal.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃ループ終了：周回 ＜ ２'), [
      ['周回', 'variable.other.tvk'], ['＜', 'keyword.operator.comparison.tvk'], ['２', 'constant.numeric.decimal.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃式：a＝－1.5'), [
      ['a', 'variable.other.tvk'], ['＝', 'keyword.operator.assignment.tvk'], ['－1.5', 'constant.numeric.decimal.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃式：x-=y'), [
      ['x', 'variable.other.tvk'], ['-=', 'keyword.operator.assignment.tvk'], ['y', 'variable.other.tvk'],
    ]);
  });

  test('file names, titles and statements', async () => {
    assert.deepEqual(await argsOf('＃ファイル挿入：scenes\\choice'), [['scenes\\choice', 'string.unquoted.path.tvk']]);
    assert.deepEqual(await argsOf('＃背景画像：pictures\\sky'), [
      ['背景', 'variable.other.object.tvk'], ['pictures\\sky', 'string.unquoted.path.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃曲ロード：sounds\\tune.mid'), [
      ['曲', 'variable.other.object.tvk'], ['sounds\\tune.mid', 'string.unquoted.path.tvk'],
    ]);
    assert.deepEqual(await argsOf('＃タイトル：デモ　―　第一場'), [['デモ　―　第一場', 'string.unquoted.title.tvk']]);
    assert.deepEqual(await argsOf('＃澪左に立つ'), [['澪左に立つ', 'entity.name.function.statement.tvk']]);
  });

  test('a line without a number sign is marked', async () => {
    assert.deepEqual(await argsOf('abc'), [['abc', 'invalid.illegal.missing-number-sign.tvk']]);
  });
});

describe('keyframe lines', () => {
  const attributeOf = async (line) => scoped(await lastLineTokens(['＃動作宣言：動く', line]),
    ['support.constant', 'invalid'])[0];

  test('every attribute is known in half and full width', async () => {
    for (const name of ATTRIBUTES) {
      const full = [...name].map((c) => String.fromCharCode(c.charCodeAt(0) + 0xFEE0)).join('');
      assert.equal(normalize(full), name);
      assert.deepEqual(await attributeOf(`０，${name}，１`), [name, 'support.constant.attribute.tvk']);
      assert.deepEqual(await attributeOf(`0, ${full} ,1`), [full, 'support.constant.attribute.tvk']);
    }
  });

  test('an attribute not in the table is marked', async () => {
    for (const name of ['x', 'ＸＹ', 'Index', 'XX', '']) {
      const token = await attributeOf(`０，${name}，１`);
      if (name === '') assert.equal(token, undefined);
      else assert.deepEqual(token, [name, 'invalid.illegal.attribute.tvk']);
    }
  });

  test('a note after the value, which the value\'s reading passes over, reads as a comment', async () => {
    const tokens = await lastLineTokens(['＃目動作宣言：まばたき', '０，WAIT，１２０      ＃＃ 90〜150, 休む']);
    assert.deepEqual(scoped(tokens, ['constant', 'support', 'comment']), [
      ['０', 'constant.numeric.decimal.tvk'], ['WAIT', 'support.constant.attribute.tvk'],
      ['１２０', 'constant.numeric.decimal.tvk'], ['      ＃＃ 90〜150, 休む', 'comment.line.number-sign.tvk'],
    ]);
  });

  test('keyframes end at the next directive or comment and skip blank lines', async () => {
    const lines = ['＃動作宣言：出る', '０，Ａ，０', '', '　', '２０，ＥＮＤ，０', '  ##', '０，Ａ，１'];
    assert.deepEqual(classifyLines(lines).map((k) => k.kind),
      ['directive', 'keyframe', 'blank', 'blank', 'keyframe', 'comment', 'error']);
    assert.deepEqual(await scriptFaults(lines), []);
  });
});
