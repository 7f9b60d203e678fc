#!/bin/bash
# Runs `TOOL model import` over every model file of a corpus and records what
# became of each, so that a change to the import can be measured before and
# after against the same files.
#
#   import-corpus.sh TOOL [CORPUS_DIR] [OUT_DIR] [--compare OLD.tsv]
#   import-corpus.sh --compare OLD.tsv NEW.tsv      (only compare two runs)
#
# CORPUS_DIR defaults to /usr/share/assimp/models (Debian's assimp-testmodels).
# OUT_DIR defaults to a new folder under /tmp; the models are written to
# OUT_DIR/models/<n>.ms3d (that folder is emptied first, so that no import
# lands over an earlier one), the record of each file to OUT_DIR/results.tsv.
# Every regular file whose name ends in an extension Assimp reads is tried
# (`assimp listext` where assimp-utils is installed, else Assimp 5.2's list), in
# sorted order; pictures, buffers, MTL files and the like are never tried.
#
# Outcomes: imported (exit 0); refused (exit 1); crashed (the tool died of a
# signal, or it reports that its reader crashed); hung (killed by `timeout`,
# or the reader ran out of processor time); stopped (the tool reports that
# the reader "was stopped" by the sandbox). The tool's own limits stay at
# their defaults. With --compare, lists the files whose outcome or triangle
# count differs from OLD.tsv, and exits 1 if any does.
set -eu

seconds=${IMPORT_CORPUS_TIMEOUT:-120}
# Assimp 5.2's `assimp listext`, for when assimp-utils is not installed.
fixed_extensions="3d 3ds 3mf ac ac3d acc amf ase ask assbin b3d blend bsp bvh cob csm dae dxf
enff fbx glb gltf hmp ifc ifczip iqm irr irrmesh lwo lws lxo md2 md3 md5anim md5camera md5mesh
mdc mdl mesh mesh.xml mot ms3d ndo nff obj off ogex pk3 ply pmx prj q3o q3s raw scn sib smd step
stl stp ter uc vta x x3d x3db xgl xml zae zgl"

usage() {
    sed -n 's/^#   \(import-corpus.sh\)/usage: \1/p' "$0" >&2
    exit 2
}

# compare OLD NEW: the files whose outcome or triangle count changed, or that
# only one run tried. Columns are found by name, so that runs of different
# versions of this script still compare.
compare() {
    awk -F'\t' '
        FNR == 1 { for (i = 1; i <= NF; ++i) col[$i] = i; next }
        { key = $col["file"]; what = $col["outcome"] " " ($col["triangles"] == "" ? "-" : $col["triangles"]) }
        FILENAME == ARGV[1] { old[key] = what; next }
        {
            seen[key] = 1
            if (!(key in old)) { printf "%s: new, %s\n", key, what; ++changed }
            else if (old[key] != what) { printf "%s: %s -> %s\n", key, old[key], what; ++changed }
        }
        END {
            for (key in old)
                if (!(key in seen)) { printf "%s: %s, not tried now\n", key, old[key]; ++changed }
            printf "%d file(s) differ\n", changed
            exit changed > 0
        }' "$1" "$2"
}

positional=() old=
while [ $# -gt 0 ]; do
    case "$1" in
    --compare) [ $# -ge 2 ] || usage; old=$2; shift 2 ;;
    --help | -h) sed -n '2,22s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) usage ;;
    *) positional+=("$1"); shift ;;
    esac
done
if [ -n "$old" ] && [ ${#positional[@]} -eq 1 ] && [ -f "${positional[0]}" ] &&
    [[ "${positional[0]}" == *.tsv ]]; then
    compare "$old" "${positional[0]}"
    exit
fi
if [ ${#positional[@]} -lt 1 ] || [ ${#positional[@]} -gt 3 ]; then usage; fi
tool=$(readlink -f "${positional[0]}")
corpus=$(readlink -f "${positional[1]:-/usr/share/assimp/models}")
out=${positional[2]:-$(mktemp -d /tmp/import-corpus.XXXXXX)}
[ -x "$tool" ] || { echo "import-corpus: $tool is not a program" >&2; exit 2; }
[ -d "$corpus" ] || { echo "import-corpus: no folder $corpus" >&2; exit 2; }
[ -z "$old" ] || [ -f "$old" ] || { echo "import-corpus: no file $old" >&2; exit 2; }

if command -v assimp >/dev/null && listed=$(assimp listext 2>/dev/null) && [ -n "$listed" ]; then
    extensions=$(echo "$listed" | tr ';' '\n' | sed -n 's/^\*\.//p' | tr '[:upper:]' '[:lower:]')
    source_of_list="assimp listext"
else
    extensions=$fixed_extensions
    source_of_list="the script's fixed list"
fi
# Never models, whatever a reader would claim.
skipped_extensions="png jpg jpeg bmp tga dds gif bin txt md mtl glsl vert frag"

mkdir -p "$out"
rm -rf "$out/models"
mkdir "$out/models"
results="$out/results.tsv"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The lower-case extension of a file name, or nothing when it is not read.
model_extension() {
    local name=${1,,} e best=
    for e in $skipped_extensions; do [[ "$name" == *."$e" ]] && return 0; done
    # The longest match, so that x.mesh.xml counts as mesh.xml.
    for e in $extensions; do
        [[ "$name" == *."$e" ]] && [ ${#e} -gt ${#best} ] && best=$e
    done
    echo "$best"
}

clean() { tr '\t\r' '  ' | head -c 300; }

printf 'n\tfile\text\toutcome\texit\ttriangles\ttextures\tms\tmessage\n' >"$results"
n=0
while IFS= read -r -d '' path; do
    ext=$(model_extension "$(basename "$path")")
    [ -n "$ext" ] || continue
    n=$((n + 1))
    name=$(printf '%04d' "$n")
    start=$(date +%s%N)
    status=0
    # The braces keep bash's own "Segmentation fault" line off the terminal.
    { timeout -k 5 "$seconds" "$tool" model import "$path" "$out/models/$name.ms3d" \
        </dev/null >"$scratch/stdout" 2>"$scratch/stderr"; } 2>/dev/null || status=$?
    ms=$((($(date +%s%N) - start) / 1000000))
    # The tool's first line that is not a warning says why it refused; the
    # reader's libraries may have printed lines of their own before it.
    prefix="quillmark-tool model import: "
    message=$(grep -v ": warning: " "$scratch/stderr" | grep -m1 "^$prefix" ||
        grep -m1 . "$scratch/stderr" || true)
    message=${message#"$prefix"}
    triangles=$(sed -n 's/^triangles: //p' "$scratch/stdout" | head -n1)
    textures=$(sed -n 's/^textures written: //p' "$scratch/stdout" | head -n1)
    if grep -q 'was stopped' "$scratch/stderr"; then
        outcome=stopped
    elif [ "$status" -eq 0 ]; then
        outcome=imported
        warnings=$(grep -c ": warning: " "$scratch/stderr" || true)
        message=$([ "$warnings" -eq 0 ] || echo "$warnings warning(s)")
    elif [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        outcome=hung
        message="killed by timeout after $seconds s"
    elif [ "$status" -gt 128 ]; then
        outcome=crashed
        message="the tool died of signal $((status - 128))${message:+: $message}"
    elif [[ "$message" == *" crashed ("* ]]; then
        outcome=crashed
    elif [[ "$message" == *" took more than "* ]]; then
        outcome=hung
    else
        outcome=refused
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "${path#"$corpus"/}" "$ext" "$outcome" \
        "$status" "${triangles:-}" "${textures:-}" "$ms" "$(printf '%s' "$message" | clean)" \
        >>"$results"
    printf '\r%d tried' "$n" >&2
done < <(find "$corpus" -type f -print0 | LC_ALL=C sort -z)
printf '\r' >&2

echo "tool: $tool"
echo "corpus: $corpus (extensions from $source_of_list)"
echo "results: $results"
awk -F'\t' 'NR > 1 {
        ++tried; ++count[$4]
        if ($4 == "imported") { triangles += $6; ms += $8; if ($7 > 0) ++textured }
    }
    END {
        printf "files tried: %d\n", tried
        printf "imported: %d\n", count["imported"]
        printf "refused: %d\n", count["refused"]
        printf "textured: %d\n", textured
        printf "crashed: %d\n", count["crashed"]
        printf "hung: %d\n", count["hung"]
        printf "stopped: %d\n", count["stopped"]
        printf "triangles imported: %d, in %.1f s of imports\n", triangles, ms / 1000
    }' "$results"
echo "by extension (tried: imported refused crashed hung stopped):"
awk -F'\t' 'NR > 1 { ++tried[$3]; ++got[$3 " " $4] }
    END {
        for (e in tried)
            printf "  %-9s %3d: %3d %3d %3d %3d %3d\n", e, tried[e], got[e " imported"],
                got[e " refused"], got[e " crashed"], got[e " hung"], got[e " stopped"]
    }' "$results" | sort -k2,2nr -k1,1
if [ -n "$old" ]; then
    echo
    echo "compared with $old:"
    compare "$old" "$results"
fi
