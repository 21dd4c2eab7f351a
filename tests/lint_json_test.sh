#!/usr/bin/env bash
# The JSON the lint writes validates against the schema kept beside its cases, for every case, a folder
# and the demo, and says what the text form says.
#   lint_json_test.sh PLAYER CASES_DIR DEMO_SCRIPT
set -euo pipefail
exec python3 - "$@" <<'PYTHON'
import json, pathlib, re, subprocess, sys, tempfile
import jsonschema

player, cases, demo = sys.argv[1], pathlib.Path(sys.argv[2]), sys.argv[3]
schema = json.loads((cases / "findings.schema.json").read_text(encoding="utf-8"))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

with tempfile.TemporaryDirectory() as home:
    env = {"HOME": home, "XDG_CONFIG_HOME": home + "/config", "XDG_DATA_HOME": home + "/data",
           "XDG_CACHE_HOME": home + "/cache", "PATH": "/usr/bin:/bin", "SDL_AUDIODRIVER": "dummy"}

    def lint(script, form):
        args = [player, "--lint", script] + (["--format", "json"] if form == "json" else [])
        run = subprocess.run(args, capture_output=True, env=env, timeout=60)
        assert run.returncode in (0, 1), (script, run.returncode, run.stderr)
        return run.returncode, run.stdout.decode("utf-8")

    def check(script):
        status, out = lint(script, "json")
        findings = json.loads(out)
        errors = sorted(validator.iter_errors(findings), key=str)
        assert not errors, (script, [e.message for e in errors])
        text_status, text = lint(script, "text")
        lines = text.splitlines()
        assert status == text_status == (1 if any(f["severity"] == "error" for f in findings) else 0), script
        assert len(lines) == len(findings), (script, lines, findings)
        for f, line in zip(findings, lines):
            assert line == "%s:%d:%d: %s: %s" % (f["file"], f["line"], f["column"], f["severity"], f["message"]), line
        return findings

    total = 0
    for case in sorted(cases.glob("*.tvk")):
        folder = pathlib.Path(home) / case.stem
        folder.mkdir()
        source = case.read_text(encoding="utf-8")
        for name in re.findall(r"^## file (\S+)", source, re.M):
            (folder / name).parent.mkdir(parents=True, exist_ok=True)
            (folder / name).write_bytes(b"")
        script = folder / "main.tvk"
        script.write_bytes(source.replace("\n", "\r\n").encode("cp932"))
        total += len(check(str(script)))
    assert total >= 20, total
    assert check(home)[0]["check"] == "script-is-folder"
    assert check(demo) == []
    print("%d findings validate against the schema" % total)
PYTHON
