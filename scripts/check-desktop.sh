#!/usr/bin/env bash
# Validates the launcher and the AppStream metadata in the source tree, as
# the desktop's menus and software centres will read them once installed.
# Needs desktop-file-utils and appstream (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

id=io.github.quillet.QuilletTester
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "check-desktop: $tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done
for f in "data/$id.desktop" "data/$id.metainfo.xml" "data/$id.svg"; do
  [ -f "$f" ] || { echo "check-desktop: $f is missing" >&2; exit 1; }
done

desktop-file-validate "data/$id.desktop"
# --no-net: nothing in the file is fetched; the check works offline.
appstreamcli validate --no-net "data/$id.metainfo.xml"
echo "check-desktop: data/$id.desktop and data/$id.metainfo.xml are valid"
