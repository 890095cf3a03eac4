#!/usr/bin/env bash
# Installs the factory preset library into Morvex's data folder:
#
#   scripts/install-library.sh LIBRARY_DIR [DATA_DIR]
#
# LIBRARY_DIR is what morvex-presets wrote (build/presets: "Plug-In Presets/<Category>/*.prg"
# and "Modulator Presets/<Category>/*.mprg"). DATA_DIR defaults to
# ${XDG_DATA_HOME:-~/.local/share}/Brenwick/Morvex, the folder the plug-in scans.
#
# The factory categories sit beside the user's own "User" folder and any category the user
# made. The list of files this script installed is kept in DATA_DIR/factory-library.manifest;
# installing again replaces those files, removes the ones a newer library no longer has, and
# touches nothing else: not "User", not a category the user added, not a file the user put in
# a factory category. A user's file that has the name of a new factory preset is kept, and the
# factory preset skipped with a warning.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 LIBRARY_DIR [DATA_DIR]" >&2
    exit 2
fi
library=$1
data=${2:-${XDG_DATA_HOME:-$HOME/.local/share}/Brenwick/Morvex}
manifest=$data/factory-library.manifest

if [[ ! -d "$library/Plug-In Presets" || ! -d "$library/Modulator Presets" ]]; then
    echo "$0: $library holds no compiled library (build the morvex_presets target first)" >&2
    exit 1
fi

# A path this script may have written: inside one of the two libraries, one category deep,
# never in "User", never climbing out. Anything else in a manifest is ignored.
is_factory_path() {
    [[ $1 =~ ^(Plug-In\ Presets|Modulator\ Presets)/[^/]+/[^/]+\.(prg|mprg)$ ]] &&
        [[ $1 != */User/* && $1 != */../* && $1 != */./* ]]
}

declare -A previous=()
if [[ -f $manifest ]]; then
    while IFS= read -r path; do
        is_factory_path "$path" && previous[$path]=1
    done <"$manifest"
fi

declare -A current=()
while IFS= read -r -d '' file; do
    current[${file#"$library"/}]=1
done < <(find "$library/Plug-In Presets" "$library/Modulator Presets" -mindepth 2 -maxdepth 2 \
             -type f \( -name '*.prg' -o -name '*.mprg' \) -print0)

# Files of an earlier install that this library no longer has.
for path in "${!previous[@]}"; do
    if [[ -z ${current[$path]:-} ]]; then
        rm -f -- "$data/$path"
        # The category goes too once nothing of the user's is left in it.
        rmdir -- "$(dirname -- "$data/$path")" 2>/dev/null || true
    fi
done

mkdir -p -- "$data"
new_manifest=$(mktemp "$data/.factory-library.XXXXXX")
trap 'rm -f -- "$new_manifest"' EXIT
installed=0
for path in "${!current[@]}"; do
    target=$data/$path
    if [[ -e $target && -z ${previous[$path]:-} ]] && ! cmp -s -- "$library/$path" "$target"; then
        echo "$0: keeping your own $target (the factory preset of that name is not installed)" >&2
        continue
    fi
    mkdir -p -- "$(dirname -- "$target")"
    # Copy beside the target, then rename: a running plug-in never sees half a file. The
    # temporary name has no preset extension in it, so a scan meanwhile does not list it.
    temporary=$(mktemp "$(dirname -- "$target")/.installing.XXXXXX")
    cp -- "$library/$path" "$temporary"
    mv -f -- "$temporary" "$target"
    printf '%s\n' "$path" >>"$new_manifest"
    installed=$((installed + 1))
done
sort -o "$new_manifest" "$new_manifest"
mv -f -- "$new_manifest" "$manifest"
trap - EXIT
echo "Installed $installed factory presets in $data"
