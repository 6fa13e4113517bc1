#!/usr/bin/env bash
# End-to-end test of the flyover application. CTest runs it inside a virtual
# X server (xvfb-run); see CMakeLists.txt next to this file.
#
# usage: flyover_e2e.sh FLYOVER MAKE_SAMPLE_TERRAIN ARTEFACT_DIR XWIN_PROBE WRITE_BMP HOSTILE_DIR
#                       TEXTURE_DIR SRTM_TILE
# (HOSTILE_DIR: image files, valid and damaged, each tried as the height image;
# TEXTURE_DIR: the texture fuzz seeds, two of which are tried as the texture;
# SRTM_TILE: a real elevation tile flown at true scale, or generated hills where it is absent)
#
# Prints one PASS/FAIL line per check and exits non-zero if any failed.

set -u

readonly HEIGHT_MAP=ZovoDiVuviMap.bmp
readonly TEXTURE=zovodivuvi.jpg
readonly TITLE_PREFIX="Vellorin:"
readonly CAPTION_RE='^Vellorin: Terrainengine-libkalde and Irrlicht Engine \(fps:([0-9]+)\) Triangles:([0-9]+)$'
readonly WINDOW_SIZE="640 480"
readonly WINDOW_TIMEOUT_S=30
# Irrlicht recomputes its frame rate only every 1.5 s; allow several updates.
readonly FRAMES_TIMEOUT_S=15
readonly EXIT_TIMEOUT_S=20
readonly BAD_INPUT_TIMEOUT_S=30
readonly KILL_GRACE_S=5
readonly POLL_S=0.2
# The clear colour; terrain must cover more than this share of the lower half.
readonly SKY_COLOUR="150 50 0"
readonly MIN_TERRAIN_FRACTION=0.5
# Untextured terrain is drawn white: at most this share of the lower half is another colour.
readonly MAX_TEXTURED_FRACTION=0.5
# Time for the first frames of a flight to reach the screen.
readonly FIRST_FRAMES_S=1.5
# 400 ms at 0.1 units per ms: 40 units forward, well inside the 255-unit sample map.
readonly FLY_FORWARD_MS=400
readonly MIN_CHANGED_FRACTION=0.05
# Eight pointer moves a quarter window right of centre: the camera turns by about 200
# degrees.
readonly TURN_PIXELS=160
readonly TURN_STEPS=8
readonly FIRST_SIGNAL_STATUS=128
readonly TIMEOUT_STATUS=124  # from timeout(1)

if (($# != 8)); then
    echo "usage: $0 FLYOVER MAKE_SAMPLE_TERRAIN ARTEFACT_DIR XWIN_PROBE WRITE_BMP HOSTILE_DIR TEXTURE_DIR SRTM_TILE" >&2
    exit 2
fi
readonly SRTM_TILE=$8
for tool in "$1" "$2" "$4" "$5"; do
    if [[ ! -f $tool || ! -x $tool ]]; then
        echo "FAIL: setup: '$tool' is not an executable file" >&2
        exit 1
    fi
done
mkdir -p "$3" || exit 1
# Absolute paths: the programs under test run in other folders.
FLYOVER=$(realpath "$1") MAKE_SAMPLE=$(realpath "$2") ARTEFACTS=$(realpath "$3")
PROBE=$(realpath "$4") WRITE_BMP=$(realpath "$5") HOSTILE_DIR=$(realpath "$6") TEXTURE_DIR=$(realpath "$7")
readonly FLYOVER MAKE_SAMPLE ARTEFACTS PROBE WRITE_BMP HOSTILE_DIR TEXTURE_DIR
if [[ -z ${DISPLAY:-} ]]; then
    echo "FAIL: setup: DISPLAY is not set; run this under xvfb-run" >&2
    exit 1
fi

failures=0
pass() { echo "PASS: $1"; }
fail() {
    echo "FAIL: $1"
    shift
    local detail
    for detail in "$@"; do echo "      $detail"; done
    failures=$((failures + 1))
}

# Indents a log file below a FAIL line.
show_file() {
    if [[ -s $1 ]]; then sed 's/^/      | /' "$1"; else echo "      | (empty)"; fi
}

# Exit status in words: "status N" or "signal N".
describe_status() {
    if (($1 > FIRST_SIGNAL_STATUS)); then
        echo "killed by signal $(($1 - FIRST_SIGNAL_STATUS))"
    else
        echo "status $1"
    fi
}

work=$(mktemp -d "${TMPDIR:-/tmp}/flyover_e2e.XXXXXX") || exit 1
app_pid=
cleanup() {
    if [[ -n $app_pid ]]; then kill -KILL "$app_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

sample=$work/sample
mkdir "$sample"
if ! "$MAKE_SAMPLE" --out "$sample" >"$work/make_sample.log" 2>&1 ||
    [[ ! -s $sample/$HEIGHT_MAP || ! -s $sample/$TEXTURE ]]; then
    fail "setup: make_sample_terrain --out wrote $HEIGHT_MAP and $TEXTURE"
    show_file "$work/make_sample.log"
    exit 1
fi

# Copies the sample data into a fresh folder and prints its path.
case_dir() {
    local dir=$work/$1
    mkdir "$dir" && cp "$sample/$HEIGHT_MAP" "$sample/$TEXTURE" "$dir/" && echo "$dir"
}

app_alive() { kill -0 "$app_pid" 2>/dev/null; }

# Waits for the background app to end; sets app_status. Kills it and
# returns 1 if it is still running after $1 seconds.
wait_for_app() {
    local deadline=$((SECONDS + $1))
    while app_alive; do
        if ((SECONDS >= deadline)); then
            kill -KILL "$app_pid" 2>/dev/null
            wait "$app_pid" 2>/dev/null
            app_pid=
            return 1
        fi
        sleep "$POLL_S"
    done
    wait "$app_pid"
    app_status=$?
    app_pid=
}

# --- a normal run: window, caption, screenshot, keys, close -----------------

test_window_run() {
    local dir
    dir=$(case_dir window) || exit 1
    (cd "$dir" && exec "$FLYOVER" >"$dir/stdout.log" 2>"$dir/stderr.log") &
    app_pid=$!

    # Short probe waits so that an early crash is reported at once.
    local window="" deadline=$((SECONDS + WINDOW_TIMEOUT_S))
    while [[ -z $window ]] && ((SECONDS < deadline)) && app_alive; do
        window=$("$PROBE" wait "$TITLE_PREFIX" 1 2>/dev/null)
    done
    if [[ -z $window ]]; then
        if app_alive; then
            wait_for_app 0 # kills it
            fail "window: a window titled '$TITLE_PREFIX...' appears within $WINDOW_TIMEOUT_S s" "stderr:"
        else
            wait_for_app 0
            fail "window: a window titled '$TITLE_PREFIX...' appears" \
                "flyover ended early: $(describe_status "$app_status"); stderr:"
        fi
        show_file "$dir/stderr.log"
        return
    fi
    pass "window: a window titled '$TITLE_PREFIX...' appears"

    local caption="" fps=0 triangles=0
    deadline=$((SECONDS + FRAMES_TIMEOUT_S))
    while ((SECONDS < deadline)) && app_alive; do
        caption=$("$PROBE" caption "$window" 2>&1)
        if [[ $caption =~ $CAPTION_RE ]]; then
            fps=${BASH_REMATCH[1]} triangles=${BASH_REMATCH[2]}
            ((fps > 0 && triangles > 0)) && break
        fi
        sleep "$POLL_S"
    done
    if [[ ! $caption =~ $CAPTION_RE ]]; then
        fail "caption: has the form 'Vellorin: ... (fps:N) Triangles:N'" "last caption: '$caption'"
    elif ((fps == 0)); then
        fail "caption: shows a frame rate above 0 within $FRAMES_TIMEOUT_S s" "last caption: '$caption'"
    elif ((triangles == 0)); then
        fail "caption: shows drawn triangles within $FRAMES_TIMEOUT_S s" "last caption: '$caption'"
    else
        pass "caption: '$caption'"
    fi

    local size stats lower
    if ! size=$("$PROBE" screenshot "$window" "$ARTEFACTS/flyover_start.png" 2>&1); then
        fail "screenshot: window can be captured" "$size"
    elif [[ $size != "$WINDOW_SIZE" ]]; then
        fail "screenshot: window is ${WINDOW_SIZE/ /x}" "captured: $size"
    elif ! stats=$("$PROBE" stats "$ARTEFACTS/flyover_start.png" $SKY_COLOUR 2>&1); then
        fail "screenshot: statistics can be computed" "$stats"
    else
        lower=$(sed -n 's/.*lower_half=\([0-9.]*\).*/\1/p' <<<"$stats")
        if awk -v f="$lower" -v min="$MIN_TERRAIN_FRACTION" 'BEGIN { exit !(f > min) }'; then
            pass "screenshot: terrain fills most of the lower half ($stats, $ARTEFACTS/flyover_start.png)"
        else
            fail "screenshot: terrain fills most of the lower half, not the sky colour" \
                "xwin_probe stats: $stats"
        fi
    fi

    # Flying forward changes the picture and the number of triangles drawn.
    local output start_triangles=$triangles
    output=$("$PROBE" key "$window" Up "$FLY_FORWARD_MS" 2>&1) ||
        fail "keys: holding Up for $FLY_FORWARD_MS ms" "$output"
    if ! app_alive; then
        fail "keys: flyover keeps running after Up"
    else
        local moved_caption="$caption"
        deadline=$((SECONDS + FRAMES_TIMEOUT_S))
        while ((SECONDS < deadline)) && app_alive; do
            moved_caption=$("$PROBE" caption "$window" 2>&1)
            if [[ $moved_caption =~ $CAPTION_RE ]] && ((BASH_REMATCH[2] != start_triangles)); then
                break
            fi
            sleep "$POLL_S"
        done
        if [[ $moved_caption =~ $CAPTION_RE ]] && ((BASH_REMATCH[2] != start_triangles)); then
            pass "keys: the triangle count follows the camera ('$moved_caption')"
        else
            fail "keys: the triangle count changes after flying forward" \
                "before: $start_triangles, last caption: '$moved_caption'"
        fi
        "$PROBE" screenshot "$window" "$ARTEFACTS/flyover_moved.png" >/dev/null
        local change
        change=$("$PROBE" diff "$ARTEFACTS/flyover_start.png" "$ARTEFACTS/flyover_moved.png" 2>&1)
        local fraction=${change#differing=}
        if awk -v f="$fraction" -v min="$MIN_CHANGED_FRACTION" 'BEGIN { exit !(f > min) }' 2>/dev/null; then
            pass "keys: the picture changes after flying forward ($change)"
        else
            fail "keys: the picture changes after flying forward" "xwin_probe diff: $change"
        fi
    fi

    # Moving the mouse turns the camera (towards the sample terrain's mountains); the
    # picture is the one the README shows.
    if output=$("$PROBE" turn "$window" "$TURN_PIXELS" "$TURN_STEPS" 2>&1); then
        sleep 0.5
        "$PROBE" screenshot "$window" "$ARTEFACTS/flyover_view.png" >/dev/null
        change=$("$PROBE" diff "$ARTEFACTS/flyover_moved.png" "$ARTEFACTS/flyover_view.png" 2>&1)
        fraction=${change#differing=}
        if awk -v f="$fraction" -v min="$MIN_CHANGED_FRACTION" 'BEGIN { exit !(f > min) }' 2>/dev/null; then
            pass "mouse: the view turns with the mouse ($change, $ARTEFACTS/flyover_view.png)"
        else
            fail "mouse: the view turns with the mouse" "xwin_probe diff: $change"
        fi
    else
        fail "mouse: the pointer can be moved" "$output"
    fi

    output=$("$PROBE" close "$window" 2>&1) || fail "close: WM_DELETE_WINDOW can be sent" "$output"
    if ! wait_for_app "$EXIT_TIMEOUT_S"; then
        fail "close: flyover exits within $EXIT_TIMEOUT_S s of WM_DELETE_WINDOW (killed)"
    elif ((app_status != 0)); then
        fail "close: flyover exits with status 0" "$(describe_status "$app_status"); stderr:"
        show_file "$dir/stderr.log"
    else
        pass "close: flyover exits with status 0"
    fi

    if [[ -s $dir/stderr.log ]]; then
        fail "stderr: a normal run writes nothing to stderr" "stderr:"
        show_file "$dir/stderr.log"
    else
        pass "stderr: a normal run writes nothing to stderr"
    fi
    cp "$dir/stdout.log" "$ARTEFACTS/flyover_stdout.log"
    cp "$dir/stderr.log" "$ARTEFACTS/flyover_stderr.log"
}

# --- runs that must fail cleanly ---------------------------------------------

# Runs flyover in folder $2, with environment changes $4... for env(1), and
# expects exit status 1 and exactly one stderr line, which must contain
# $HEIGHT_MAP if $3 is "names-file".
expect_clean_failure() {
    local name=$1 dir=$2 naming=$3
    shift 3
    local status
    (cd "$dir" && exec env "$@" timeout -k "$KILL_GRACE_S" "$BAD_INPUT_TIMEOUT_S" "$FLYOVER" \
        >"$dir/stdout.log" 2>"$dir/stderr.log")
    status=$?
    local lines
    lines=$(awk 'END { print NR }' "$dir/stderr.log")

    if ((status == TIMEOUT_STATUS)); then
        fail "$name: exits with status 1" "still running after $BAD_INPUT_TIMEOUT_S s"
    elif ((status != 1)); then
        fail "$name: exits with status 1" "$(describe_status "$status"); stderr:"
        show_file "$dir/stderr.log"
    elif ((lines != 1)); then
        fail "$name: prints exactly one line on stderr" "$lines lines:"
        show_file "$dir/stderr.log"
    elif [[ $naming == names-file ]] && ! grep -qF "$HEIGHT_MAP" "$dir/stderr.log"; then
        fail "$name: the error message names $HEIGHT_MAP" "stderr:"
        show_file "$dir/stderr.log"
    else
        pass "$name: exits 1 with: $(cat "$dir/stderr.log")"
    fi
}

test_bad_height_map() {
    local name=$1 dir
    shift
    dir=$(case_dir "${name// /_}") || exit 1
    rm "$dir/$HEIGHT_MAP"
    "$@" "$dir/$HEIGHT_MAP" || exit 1
    expect_clean_failure "bad input: $name" "$dir" names-file
}

no_file() { :; }
empty_file() { : >"$1"; }
garbage_file() { { printf '\x89\x00\xff\xfe'; yes 'not a bitmap' | head -c 2000; } >"$1"; }
bmp() { "$WRITE_BMP" "$3" "$1" "$2"; }
fifo_file() { mkfifo "$1"; }

# --- hostile files: a working fly-over or a clean refusal, never a crash ----------

# Opens the fly-over in folder $1 and waits for its window; sets window ("" when none came,
# the app then ended and app_status says how).
open_window() {
    local dir=$1
    (cd "$dir" && exec "$FLYOVER" >"$dir/stdout.log" 2>"$dir/stderr.log") &
    app_pid=$!
    window=""
    local deadline=$((SECONDS + WINDOW_TIMEOUT_S))
    while [[ -z $window ]] && ((SECONDS < deadline)) && app_alive; do
        window=$("$PROBE" wait "$TITLE_PREFIX" 1 2>/dev/null)
    done
    [[ -n $window ]] || wait_for_app 0
}

# Runs flyover in folder $2: a window that appears is closed like a user does and must
# end with status 0; an early end must be status 1 with one stderr line.
expect_flies_or_refuses() {
    local name=$1 dir=$2
    open_window "$dir"
    if [[ -n $window ]]; then
        sleep 1
        "$PROBE" close "$window" >/dev/null 2>&1
        if ! wait_for_app "$EXIT_TIMEOUT_S"; then
            fail "$name: flies and closes" "still running after close"
        elif ((app_status != 0)); then
            fail "$name: flies and closes with status 0" "$(describe_status "$app_status"); stderr:"
            show_file "$dir/stderr.log"
        else
            pass "$name: flies"
        fi
        return
    fi
    local lines
    lines=$(awk 'END { print NR }' "$dir/stderr.log")
    if ((app_status == 1 && lines == 1)); then
        pass "$name: refused with: $(cat "$dir/stderr.log")"
    else
        fail "$name: flies or exits 1 with one line" "$(describe_status "$app_status"), $lines lines:"
        show_file "$dir/stderr.log"
    fi
}

test_hostile_height_file() {
    local file=$1 dir
    dir=$(case_dir "hostile_$(basename "$file")") || exit 1
    cp "$file" "$dir/$HEIGHT_MAP"
    expect_flies_or_refuses "hostile height file $(basename "$file")" "$dir"
}

# A texture that cannot be used: the fly-over says so in exactly one line on stderr and
# flies untextured (white terrain); a missing one is no problem and flies without a word.
test_texture() {
    local name=$1 dir
    shift
    dir=$(case_dir "texture_${name//[^A-Za-z0-9_.]/_}") || exit 1
    "$@" "$dir/$TEXTURE"
    open_window "$dir"
    if [[ -z $window ]]; then
        fail "texture $name: flies" "$(describe_status "$app_status"); stderr:"
        show_file "$dir/stderr.log"
        return
    fi
    sleep "$FIRST_FRAMES_S"
    local shot=$ARTEFACTS/texture_${name//[^A-Za-z0-9_.]/_}.png stats lower
    stats=$("$PROBE" screenshot "$window" "$shot" >/dev/null 2>&1 && "$PROBE" stats "$shot" 255 255 255 2>&1)
    lower=$(sed -n 's/.*lower_half=\([0-9.]*\).*/\1/p' <<<"$stats")
    "$PROBE" close "$window" >/dev/null 2>&1
    local lines
    if ! wait_for_app "$EXIT_TIMEOUT_S" || ((app_status != 0)); then
        fail "texture $name: flies and closes with status 0" "$(describe_status "${app_status:-124}"); stderr:"
        show_file "$dir/stderr.log"
        return
    fi
    lines=$(awk 'END { print NR }' "$dir/stderr.log")
    if [[ $name == missing ]]; then
        if ((lines == 0)); then pass "texture $name: flies without a warning"
        else fail "texture $name: flies without a warning" "stderr:"; show_file "$dir/stderr.log"; fi
    elif ((lines != 1)) || ! grep -qF "texture \"$TEXTURE\"" "$dir/stderr.log"; then
        fail "texture $name: one warning line naming $TEXTURE" "$lines lines:"
        show_file "$dir/stderr.log"
    elif ! awk -v f="$lower" -v max="$MAX_TEXTURED_FRACTION" 'BEGIN { exit !(f != "" && f < max) }'; then
        fail "texture $name: the terrain is drawn untextured (white)" "xwin_probe stats against white: $stats"
    else
        pass "texture $name: untextured, with: $(cat "$dir/stderr.log")"
    fi
}
missing_texture() { rm -f "$1"; }
truncated_texture() { head -c 3000 "$1" >"$1.part" && mv "$1.part" "$1"; }
fifo_texture() { rm -f "$1" && mkfifo "$1"; }
copy_texture() { cp "$TEXTURE_FILE" "$1"; }

# A 24-bit BMP header claiming $1 x $2 pixels in a sparse file $3 of the right size, with
# no pixels written (and a data size of 0, "the rest of the file"): the size must be
# refused before anything is loaded.
sparse_bmp() {
    local width=$1 height=$2 file=$3
    local pixels=$((((width * 3 + 3) / 4 * 4) * height))
    "$WRITE_BMP" "$file" 2 2
    put_le32 "$file" 2 $(((54 + pixels) & 0xFFFFFFFF))
    put_le32 "$file" 18 "$width"
    put_le32 "$file" 22 "$height"
    put_le32 "$file" 34 0
    truncate -s $((54 + pixels)) "$file"
}
# Writes the 32-bit little-endian value $3 at byte offset $2 of file $1.
put_le32() {
    local v=$3
    printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) \
        $((v >> 16 & 255)) $((v >> 24 & 255)))" |
        dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# --- true-scale flight of an elevation file ----------------------------------

readonly FLIGHT_WINDOW=640x480
readonly FLIGHT_SKY="150 190 230"
readonly WHITE="255 255 255"
readonly HUD_RE='^Vellorin: [^ ]+  (.+)  ground (-?[0-9.]+) (m|units)  above ground ([0-9.]+) (m|units)  speed ([0-9.]+) (m|units)/s  ([0-9]+) fps  ([0-9]+) triangles$'
readonly SUMMARY_RE='^frames=([0-9]+) triangles=([0-9]+) ground_m=(-?[0-9.]+) at=([0-9.]+),([0-9.]+) frame_ms_median=[0-9.]+ frame_ms_p99=[0-9.]+$'
# Below the HUD, the upper part of a level view is sky; the lower part is terrain; the HUD's
# band holds light text.
readonly MIN_SKY_SHARE=0.5 MAX_SKY_IN_TERRAIN=0.05 MIN_HUD_TEXT_SHARE=0.02

# The elevation file flown: the real SRTM tile (GDAL knows it by its name) or, where it is
# absent, generated hills in an ASCII grid of 30 m cells.
elevation_file() {
    local dir=$work/elevation
    if [[ ! -d $dir ]]; then
        mkdir "$dir"
        if [[ -f $SRTM_TILE ]]; then
            cp "$SRTM_TILE" "$dir/N48E009.hgt"
        else
            awk 'BEGIN { n = 257; print "ncols " n; print "nrows " n; print "xllcorner 500000";
                         print "yllcorner 5370000"; print "cellsize 30";
                         for (r = 0; r < n; ++r) { line = "";
                             for (c = 0; c < n; ++c) line = line sprintf("%d ", 400 + 150 * sin(c / 13) * cos(r / 17) + r);
                             print line } }' >"$dir/hills.asc"
        fi
    fi
    ls "$dir"/N48E009.hgt "$dir"/hills.asc 2>/dev/null | head -n 1
}

share_of() { "$PROBE" share "$@" 2>&1 | sed -n 's/^share=//p'; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a != "" && a > b) }'; }

# Sky above, terrain below, the HUD over both, in screenshot $2 of a flight named $1.
check_scene() {
    local name=$1 shot=$2 sky terrain_sky text
    sky=$(share_of "$shot" 0 20 640 120 $FLIGHT_SKY)
    terrain_sky=$(share_of "$shot" 0 300 640 480 $FLIGHT_SKY)
    text=$(share_of "$shot" 0 0 400 15 $WHITE)
    if above "$sky" "$MIN_SKY_SHARE" && ! above "$terrain_sky" "$MAX_SKY_IN_TERRAIN" &&
        above "$text" "$MIN_HUD_TEXT_SHARE"; then
        pass "$name: sky above, terrain below, HUD text on top ($shot)"
    else
        fail "$name: sky above, terrain below, HUD text on top" \
            "sky share above: $sky, sky share below: $terrain_sky, HUD text share: $text ($shot)"
    fi
}

test_true_scale_scripted() {
    local file dir=$work/scripted shot=$ARTEFACTS/true_scale_scripted.png
    file=$(elevation_file) && mkdir "$dir" || exit 1
    (cd "$dir" && exec timeout -k "$KILL_GRACE_S" "$BAD_INPUT_TIMEOUT_S" "$FLYOVER" "$file" --frames 60 --fly 300 \
        --heading 200 --window "$FLIGHT_WINDOW" --screenshot "$shot" >"$dir/stdout.log" 2>"$dir/stderr.log")
    local status=$? last
    last=$(tail -n 1 "$dir/stdout.log")
    if ((status != 0)) || [[ -s $dir/stderr.log ]]; then
        fail "scripted flight of $(basename "$file"): exits 0 without a word on stderr" "$(describe_status "$status"):"
        show_file "$dir/stderr.log"
    elif [[ ! $last =~ $SUMMARY_RE ]] || ((BASH_REMATCH[1] != 60 || BASH_REMATCH[2] == 0)); then
        fail "scripted flight: ends with the summary of 60 frames" "last line: '$last'"
    else
        pass "scripted flight: '$last'"
        check_scene "scripted flight" "$shot"
    fi
    cp "$dir/stdout.log" "$ARTEFACTS/true_scale_scripted_stdout.log"
}

# Waits for the caption to show the HUD with a frame rate and triangles; sets hud (the
# caption) and the fields of HUD_RE in BASH_REMATCH; $1 must hold for the fields.
wait_for_hud() {
    local condition=$1 deadline=$((SECONDS + FRAMES_TIMEOUT_S))
    while ((SECONDS < deadline)) && app_alive; do
        hud=$("$PROBE" caption "$window" 2>&1)
        if [[ $hud =~ $HUD_RE ]] && ((BASH_REMATCH[8] > 0 && BASH_REMATCH[9] > 0)) && eval "$condition"; then
            return 0
        fi
        sleep "$POLL_S"
    done
    return 1
}

test_true_scale_window() {
    local file dir=$work/window_flight
    file=$(elevation_file) && mkdir "$dir" || exit 1
    (cd "$dir" && exec "$FLYOVER" "$file" --window "$FLIGHT_WINDOW" >"$dir/stdout.log" 2>"$dir/stderr.log") &
    app_pid=$!
    window=""
    local deadline=$((SECONDS + WINDOW_TIMEOUT_S))
    while [[ -z $window ]] && ((SECONDS < deadline)) && app_alive; do
        window=$("$PROBE" wait "$TITLE_PREFIX" 1 2>/dev/null)
    done
    local hud
    if [[ -z $window ]] || ! wait_for_hud true; then
        fail "true-scale window: the caption shows the HUD" "last caption: '${hud:-}'; stderr:"
        show_file "$dir/stderr.log"
        wait_for_app 0
        return
    fi
    local position=${BASH_REMATCH[1]} height=${BASH_REMATCH[4]} speed=${BASH_REMATCH[6]}
    if [[ $file == *.hgt && $position != "48.50000N 9.50000E" ]]; then
        fail "true-scale window: starts over the tile's centre" "caption: '$hud'"
    else
        pass "true-scale window: '$hud'"
    fi
    sleep 0.5
    "$PROBE" screenshot "$window" "$ARTEFACTS/true_scale_window.png" >/dev/null
    check_scene "true-scale window" "$ARTEFACTS/true_scale_window.png"

    "$PROBE" key "$window" Prior 100 >/dev/null
    if wait_for_hud "above \${BASH_REMATCH[4]} $height"; then pass "Page Up: higher above the ground ('$hud')"
    else fail "Page Up: higher above the ground" "before: $height, caption: '$hud'"; fi
    "$PROBE" key "$window" KP_Add 100 >/dev/null
    if wait_for_hud "above \${BASH_REMATCH[6]} $speed"; then pass "+: faster ('$hud')"
    else fail "+: faster" "before: $speed, caption: '$hud'"; fi
    "$PROBE" key "$window" Up 600 >/dev/null
    if wait_for_hud "[[ \${BASH_REMATCH[1]} != '$position' ]]"; then pass "Up: flies on ('$hud')"
    else fail "Up: flies on" "from '$position', caption: '$hud'"; fi
    "$PROBE" key "$window" F12 100 >/dev/null
    deadline=$((SECONDS + EXIT_TIMEOUT_S))
    while ((SECONDS < deadline)) && ! grep -q '^screenshot: ' "$dir/stdout.log"; do sleep "$POLL_S"; done
    local saved
    saved=$(sed -n 's/^screenshot: //p' "$dir/stdout.log")
    if [[ -n $saved && -s $dir/$saved ]] && "$PROBE" stats "$dir/$saved" $FLIGHT_SKY >/dev/null 2>&1; then
        pass "F12: saves a screenshot and names it ($saved)"
        cp "$dir/$saved" "$ARTEFACTS/true_scale_f12.png"
    else
        fail "F12: saves a screenshot and names it" "stdout:"
        show_file "$dir/stdout.log"
    fi
    "$PROBE" key "$window" Escape 100 >/dev/null
    if ! wait_for_app "$EXIT_TIMEOUT_S"; then
        fail "Esc: quits within $EXIT_TIMEOUT_S s (killed)"
    elif ((app_status != 0)) || [[ -s $dir/stderr.log ]]; then
        fail "Esc: quits with status 0 and nothing on stderr" "$(describe_status "$app_status"); stderr:"
        show_file "$dir/stderr.log"
    else
        pass "Esc: quits with status 0"
    fi
}

# A flat raster with a texture of four coloured quadrants, seen from straight above, north
# up: each quadrant must lie over its own corner of the terrain.
test_texture_orientation() {
    local dir=$work/orientation shot=$ARTEFACTS/texture_orientation.png
    mkdir "$dir" || exit 1
    awk 'BEGIN { n = 65; print "ncols " n; print "nrows " n; print "xllcorner 0"; print "yllcorner 0";
                 print "cellsize 10"; for (r = 0; r < n; ++r) { line = ""; for (c = 0; c < n; ++c) line = line "0 ";
                 print line } }' >"$dir/flat.asc"
    "$WRITE_BMP" "$dir/quadrants.bmp" 64 64 quadrants || exit 1
    (cd "$dir" && exec timeout -k "$KILL_GRACE_S" "$BAD_INPUT_TIMEOUT_S" "$FLYOVER" flat.asc --texture quadrants.bmp \
        --frames 2 --pitch -89 --height 700 --window "$FLIGHT_WINDOW" --screenshot "$shot" >/dev/null 2>&1)
    # The quadrants' centres on screen: 160 m from the map's centre at 700 m below the camera.
    local corner expected colour wrong=""
    for corner in "245 165 red" "395 165 green" "245 315 blue" "395 315 yellow"; do
        set -- $corner
        colour=$("$PROBE" pixel "$shot" "$1" "$2" 2>&1)
        if ! awk -v c="$colour" -v want="$3" 'BEGIN { split(c, v, " "); r = v[1]; g = v[2]; b = v[3];
                exit !((want == "red" && r > g + 80 && r > b + 80) || (want == "green" && g > r + 80 && g > b + 80) ||
                       (want == "blue" && b > r + 80 && b > g + 80) || (want == "yellow" && r > b + 80 && g > b + 80)) }'; then
            wrong+=" ($1,$2) should be $3 but is '$colour';"
        fi
    done
    if [[ -z $wrong ]]; then pass "texture orientation: each marked corner lies over its corner of the terrain ($shot)"
    else fail "texture orientation: each marked corner lies over its corner of the terrain" "$wrong"; fi
}

test_no_display() {
    local dir
    dir=$(case_dir no_display) || exit 1
    expect_clean_failure "no display" "$dir" any-message -u DISPLAY
}

test_window_run
test_bad_height_map "missing height image" no_file
test_bad_height_map "empty height image" empty_file
test_bad_height_map "garbage height image" garbage_file
test_bad_height_map "1x1 height image" bmp 1 1
test_bad_height_map "64x32 height image" bmp 64 32
test_bad_height_map "16385x16385 height image" sparse_bmp 16385 16385
# 4 GiB: past what 32-bit sizes in image loaders hold.
test_bad_height_map "8192x174763 height image" sparse_bmp 8192 174763
test_bad_height_map "FIFO height image" fifo_file
for file in "$HOSTILE_DIR"/*; do test_hostile_height_file "$file"; done
test_texture missing missing_texture
test_texture truncated truncated_texture
test_texture fifo fifo_texture
# Two of the fuzz seeds: a header that once overflowed a buffer, and one that once gave a
# silent grey texture after gigabytes; the unit tests try every seed.
for TEXTURE_FILE in "$TEXTURE_DIR"/png_rgba_claims_32768x32768_64_rows.png \
    "$TEXTURE_DIR"/jpeg_baseline_claims_16384x16384.jpg; do
    test_texture "$(basename "$TEXTURE_FILE")" copy_texture
done
test_no_display
test_true_scale_scripted
test_true_scale_window
test_texture_orientation

if ((failures > 0)); then
    echo "flyover_e2e: $failures check(s) FAILED; artefacts in $ARTEFACTS"
    exit 1
fi
echo "flyover_e2e: all checks passed; artefacts in $ARTEFACTS"
