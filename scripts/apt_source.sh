#!/usr/bin/env bash
# Downloads a Debian source package into a folder, from the archives this machine's apt already
# uses: every `deb` entry of its configuration (one-line and deb822 forms) is repeated as a
# `deb-src` entry in a private apt configuration, with the same URIs, suites, components and
# keyring. The machine's own configuration and package lists are left as they are.
# Usage: scripts/apt_source.sh PACKAGE FOLDER   (the files land in FOLDER; nothing is unpacked)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PACKAGE FOLDER" >&2; exit 2; }
package=$1
folder=$(mkdir -p "$2" && cd "$2" && pwd)
apt_dir="$folder/apt"
mkdir -p "$apt_dir/lists/partial"

eval "$(apt-config shell source_list Dir::Etc::sourcelist/f source_parts Dir::Etc::sourceparts/d)"
python3 - "$source_list" "$source_parts" >"$apt_dir/src.sources" <<'EOF'
import glob, os, re, sys

source_list, source_parts = sys.argv[1], sys.argv[2]

def entry(uris, suites, components, signed_by):
    lines = ["Types: deb-src", "URIs: " + " ".join(uris), "Suites: " + " ".join(suites)]
    if components:
        lines.append("Components: " + " ".join(components))
    if signed_by:
        lines.append("Signed-By: " + signed_by)
    print("\n".join(lines) + "\n")

def one_line(path):
    for raw in open(path, encoding="utf-8", errors="replace"):
        line = raw.split("#", 1)[0].strip()
        m = re.match(r"^deb\s+(?:\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s*(.*)$", line)
        if not m:
            continue
        options = dict(o.split("=", 1) for o in (m.group(1) or "").split() if "=" in o)
        entry([m.group(2)], [m.group(3)], m.group(4).split(), options.get("signed-by"))

def deb822(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    for stanza in re.split(r"\n\s*\n", text):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#"):
                continue
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + line.strip()
            elif ":" in line:
                key, value = line.split(":", 1)
                key = key.strip().lower()
                fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split():
            continue
        if fields.get("enabled", "yes").lower() == "no":
            continue
        signed_by = fields.get("signed-by")
        if signed_by and "\n" in signed_by:
            signed_by = None  # an embedded key cannot be carried over simply; apt's keyring decides
        entry(fields.get("uris", "").split(), fields.get("suites", "").split(),
              fields.get("components", "").split(), signed_by)

if os.path.isfile(source_list):
    one_line(source_list)
for path in sorted(glob.glob(os.path.join(source_parts, "*.list"))):
    one_line(path)
for path in sorted(glob.glob(os.path.join(source_parts, "*.sources"))):
    deb822(path)
EOF
[ -s "$apt_dir/src.sources" ] || { echo "no deb entries in this machine's apt configuration" >&2; exit 1; }

apt_options=(-o "Dir::Etc::SourceList=$apt_dir/src.sources" -o Dir::Etc::SourceParts=/nonexistent
  -o "Dir::State::Lists=$apt_dir/lists" -o APT::Sandbox::User=root -q)
apt-get "${apt_options[@]}" update >/dev/null
(cd "$folder" && apt-get "${apt_options[@]}" source --download-only "$package" >/dev/null)
