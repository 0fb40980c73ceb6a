#!/usr/bin/env bash
# The AppStream metainfo is valid without warnings, names the desktop entry we ship, and has a
# release entry for the version being built (software centres show the newest one).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

metainfo=$1 version=$2
need appstreamcli appstream
need python3 python3

# Exits non-zero on errors and warnings; infos and pedantic notes are fine.
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate found problems"

python3 - "$metainfo" "$version" <<'PY'
import os, sys
import xml.etree.ElementTree as ET

path, version = sys.argv[1], sys.argv[2]
root = ET.parse(path).getroot()
problems = []
cid = root.findtext("id")
expected_id = os.path.basename(path).removesuffix(".metainfo.xml")
if cid != expected_id:
    problems.append(f"id {cid!r} does not match the file name ({expected_id!r})")
launchable = root.findtext("launchable[@type='desktop-id']")
desktop = os.path.join(os.path.dirname(path), launchable or "")
if not launchable or not os.path.isfile(desktop):
    problems.append(f"launchable {launchable!r} is not a desktop entry we ship")
releases = root.findall("releases/release")
if not releases or releases[0].get("version") != version:
    newest = releases[0].get("version") if releases else None
    problems.append(f"newest release is {newest!r}, the build is {version}")
for problem in problems:
    print("FAIL:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
echo "metainfo: valid, release $version listed first"
