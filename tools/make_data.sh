#!/usr/bin/env bash
# Rebuilds every data file shipped under data/drive_c from its generator in tools/.
# The output is deterministic: running it on an unchanged tree leaves git clean.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh" data

# Recorded speech: prompts, characters, number words, dates, editor prompts, tones.
python3 "$here/tools/recordings/make_recordings.py" --drive-c "$here/data/drive_c"

# Letter-to-sound rules and word exceptions of the diphone voice (regras.rgr, portug.exc).
python3 "$here/tools/l2s/make_rules.py" --drive-c "$here/data/drive_c"

# The suite's settings file with every key the program reads (windows/TALIRA.INI).
python3 "$here/tools/settings/make_talira_ini.py" --drive-c "$here/data/drive_c"

# Diphone voice databases DIFONES1..5 (from tools/diphones/keys.txt; see its README).
python3 "$here/tools/diphones/make_diphones.py"
