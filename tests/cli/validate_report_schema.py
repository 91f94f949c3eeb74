#!/usr/bin/env python3
"""Every line of `pellvane-validate --json` over the given inputs validates against the report's
JSON Schema; and the schema is strict enough to reject a line that lost a row's evidence."""
import copy
import json
import subprocess
import sys

import jsonschema


def main() -> int:
    schema_path, validate_exe, *inputs = sys.argv[1:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    run = subprocess.run([validate_exe, "--json", "--jobs", "2", *inputs], capture_output=True, check=False)
    lines = [json.loads(line) for line in run.stdout.decode("utf-8").splitlines()]
    failed = 0
    for obj in lines:
        for error in validator.iter_errors(obj):
            failed += 1
            print(f"{obj.get('file')}: {error.json_path}: {error.message}")
    # The schema must be able to say no.
    with_rows = next(obj for obj in lines if obj["rows"])
    broken = copy.deepcopy(with_rows)
    del broken["rows"][0]["evidence"]
    if validator.is_valid(broken):
        print("the schema accepts a row without evidence")
        failed += 1
    print(f"{len(lines) - failed} passed, {failed} failed")
    return 1 if failed or not lines else 0


if __name__ == "__main__":
    sys.exit(main())
