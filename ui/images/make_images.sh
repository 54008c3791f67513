#!/usr/bin/env bash
# Draws the pictures the program reads at start-up: the window background
# (wallpaper.jpg), the 28 piece pictures (koma/*.gif) and the application
# icon (kazaguruma.png). The outputs are committed beside this script; re-run
# it after changing a colour or a shape here.
#
# Needs ImageMagick 6 (Debian "imagemagick") and the Noto CJK fonts (Debian
# "fonts-noto-cjk"); installs them when run as root.
set -euo pipefail
export LC_ALL=C

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# shellcheck source=/dev/null
source "$root/tools/packages.sh"
ensure_packages imagemagick fonts-noto-cjk

# Another "convert" earlier on PATH may not be ImageMagick; use Debian's.
IM=/usr/bin/convert
if ! "$IM" -version 2>/dev/null | grep -q ImageMagick; then
    echo "$IM is not ImageMagick" >&2
    exit 1
fi

# Japanese face of bold Noto Sans CJK (NotoSansCJK-Bold.ttc). At 32 pixels
# its even strokes stay readable; a Mincho face loses its thin horizontals.
FONT=Noto-Sans-CJK-JP-Bold
if ! "$IM" -list font | grep -q "Font: $FONT\$"; then
    echo "ImageMagick does not know the font $FONT" >&2
    exit 1
fi

# Floating-point arithmetic for the geometry below.
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# PNG output without creation and modification times, so that a re-run
# changes no bytes.
PNG_OPTS=(-strip -define "png:exclude-chunks=date,time")

#
# Pieces
#

# Drawn at S times their size and then reduced, so that the kanji keep their
# anti-aliasing inside the piece.
S=8
FACE='rgb(245,222,170)'
FACE_DARK='rgb(226,192,130)'
EDGE='rgb(70,40,15)'
INK='rgb(20,15,10)'
RED='rgb(200,20,20)'

# draw_piece OUT KANJI COLOUR HEIGHT WIDTH N
# A piece pointing up, HEIGHT x WIDTH pixels, centred in 32 x 32 on white,
# written at N times that size (32N x 32N) for screens with N device pixels
# to a pixel.
draw_piece() {
    local out=$1 kanji=$2 colour=$3 h=$4 w=$5 n=$6
    local big=$((32 * S))
    # Apex at the top, shoulders a quarter of the way down, sides widening a
    # little towards the base.
    local cx top bot shoulder_y half_top half_bot poly
    cx=$(calc "$big / 2")
    top=$(calc "($big - $h * $S) / 2")
    bot=$(calc "$top + $h * $S")
    shoulder_y=$(calc "$top + $h * $S * 0.24")
    half_top=$(calc "$w * $S * 0.5 * 0.84")
    half_bot=$(calc "$w * $S * 0.5")
    poly="$cx,$top $(calc "$cx + $half_top"),$shoulder_y"
    poly+=" $(calc "$cx + $half_bot"),$bot $(calc "$cx - $half_bot"),$bot"
    poly+=" $(calc "$cx - $half_top"),$shoulder_y"

    # Body: a light-to-darker wood gradient cut to the outline.
    "$IM" -size "${big}x${big}" xc:none \
        -fill white -stroke none -draw "polygon $poly" "$tmp/mask.png"
    "$IM" -size "${big}x${big}" gradient:"$FACE"-"$FACE_DARK" \
        "$tmp/mask.png" -alpha off -compose CopyOpacity -composite \
        -fill none -stroke "$EDGE" -strokewidth $((S * 3 / 2)) \
        -draw "polygon $poly" "$tmp/body.png"

    # The kanji is trimmed to its ink and fitted into a box on the body, so
    # every character sits in the same place whatever the font's metrics.
    local box gy
    box="$(calc "$w * $S * 0.68")x$(calc "$h * $S * 0.62")"
    "$IM" -background none -fill "$colour" -font "$FONT" -pointsize $((40 * S)) \
        label:"$kanji" -trim +repage -resize "$box" "$tmp/glyph.png"
    gy=$(calc "$top + $h * $S * 0.58 - $big / 2")
    "$IM" "$tmp/body.png" "$tmp/glyph.png" -gravity center \
        -geometry "$(printf '+0%+.0f' "$gy")" -compose over -composite \
        "$tmp/big.png"

    # Reduce, then make every pixel either wholly piece or wholly white:
    # white is the transparent colour, so the piece must hold none. Its own
    # colours (wood, outline, ink, red) and their blends are never white.
    "$IM" "$tmp/big.png" -filter Box -resize $((32 * n))x$((32 * n)) \
        -channel A -threshold 50% +channel \
        -background white -alpha remove -alpha off \
        "${PNG_OPTS[@]}" "$out"
}

# check_piece FILE N: 32N x 32N, white corners, a non-white centre, and no
# white pixel that the outside white cannot reach (a hole in the piece would
# show the board through it).
check_piece() {
    local f=$1 n=$2 size inner e=$((32 * $2 - 1)) c=$((16 * $2))
    size=$("$IM" "$f" -format '%wx%h' info:)
    [ "$size" = $((32 * n))x$((32 * n)) ] || { echo "$f: $size, not $((32 * n)) square" >&2; return 1; }
    for xy in 0,0 $e,0 0,$e $e,$e; do
        [ "$("$IM" "$f" -format "%[hex:p{$xy}]" info:)" = FFFFFF ] ||
            { echo "$f: corner $xy is not white" >&2; return 1; }
    done
    [ "$("$IM" "$f" -format "%[hex:p{$c,$c}]" info:)" != FFFFFF ] ||
        { echo "$f: centre is white" >&2; return 1; }
    inner=$("$IM" "$f" -fill magenta \
        -draw 'color 0,0 floodfill' -draw "color $e,0 floodfill" \
        -draw "color 0,$e floodfill" -draw "color $e,$e floodfill" \
        -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:)
    [ "$inner" = 0 ] || { echo "$f: $inner white pixels inside the piece" >&2; return 1; }
}

mkdir -p "$here/koma"

# file name, kanji of the human's piece, of the computer's, ink, height,
# width. Lower pieces are a little smaller, as in real sets; a promoted piece
# keeps its original's size. The computer's king is 王, the human's 玉.
pieces=(
    "hu     歩 歩 black 27 24"
    "kyo    香 香 black 28 25"
    "kei    桂 桂 black 28 25"
    "gin    銀 銀 black 29 26"
    "kin    金 金 black 29 26"
    "kaku   角 角 black 30 27"
    "hi     飛 飛 black 30 27"
    "gyoku  玉 王 black 31 28"
    "tokin  と と red   27 24"
    "nkyo   杏 杏 red   28 25"
    "nkei   圭 圭 red   28 25"
    "ngin   全 全 red   29 26"
    "uma    馬 馬 red   30 27"
    "ryu    龍 龍 red   30 27"
)
# Each piece also at two and three times the size, named with Qt's "@2x"
# and "@3x" suffixes, for high-resolution screens and the window's zoom.
for p in "${pieces[@]}"; do
    read -r name k1 k2 ink h w <<<"$p"
    if [ "$ink" = red ]; then colour=$RED; else colour=$INK; fi
    for n in 1 2 3; do
        at=""
        [ "$n" = 1 ] || at="@${n}x"
        draw_piece "$tmp/up.png" "$k1" "$colour" "$h" "$w" "$n"
        "$IM" "$tmp/up.png" +dither "$here/koma/${name}1$at.gif"
        # The computer's pieces face the human: the same picture upside down.
        draw_piece "$tmp/up.png" "$k2" "$colour" "$h" "$w" "$n"
        "$IM" "$tmp/up.png" -rotate 180 +dither "$here/koma/${name}2$at.gif"
        check_piece "$here/koma/${name}1$at.gif" "$n"
        check_piece "$here/koma/${name}2$at.gif" "$n"
    done
done

#
# Wallpaper: cream washi paper, light enough for the black status text.
#

W=1920
H=1200
# Large soft blotches of slightly lighter and darker paper.
"$IM" -size $((W / 4))x$((H / 4)) xc: -seed 7 +noise Random \
    -channel G -separate +channel -blur 0x8 -auto-level \
    -resize "${W}x${H}!" "$tmp/mottle.png"
# Fibres: sparse dots smeared into short streaks at a few angles, each
# layer from its own seed so that the streaks do not cross in stars.
fibre_layer() { # seed, percentile, length, angle
    echo "( xc: -seed $1 +noise Random -channel G -separate +channel"
    echo "  -threshold $2% -motion-blur 0x$3+$4 )"
}
# shellcheck disable=SC2046 # the layers are meant to split into words
"$IM" -size "${W}x${H}" \
    $(fibre_layer 11 99.75 16 25) $(fibre_layer 12 99.75 12 105) \
    $(fibre_layer 13 99.75 20 160) $(fibre_layer 14 99.8 9 65) \
    -evaluate-sequence max -auto-level "$tmp/fibres.png"
"$IM" -size "${W}x${H}" xc:'rgb(246,240,226)' \
    \( "$tmp/mottle.png" -evaluate multiply 0.22 -evaluate add 0.39 \) \
    -compose Overlay -composite \
    \( "$tmp/fibres.png" -evaluate multiply 0.16 -negate \) \
    -compose Multiply -composite \
    -strip -quality 88 -sampling-factor 2x2 "$here/wallpaper.jpg"
[ "$("$IM" "$here/wallpaper.jpg" -format '%wx%h' info:)" = "${W}x${H}" ]

#
# Icon: a pinwheel (kazaguruma) of four two-tone blades on a stick, drawn
# once at 512 pixels and reduced to each size of the desktop's icon theme.
#

icon() {
    local n=512 cx=256 cy=220 r=200 tilt=15
    local light=("rgb(229,57,53)" "rgb(30,136,229)" "rgb(253,216,53)" "rgb(67,160,71)")
    local dark=("rgb(170,30,30)" "rgb(15,85,160)" "rgb(205,160,20)" "rgb(35,110,40)")
    local draw=() i a tip mid fold
    for i in 0 1 2 3; do
        a=$(calc "(-90 + $tilt + 90 * $i) * atan2(0, -1) / 180")
        # Each blade runs from the hub to its tip and back to a point on
        # the next blade's edge; the darker flap is the fold along it.
        tip="$(calc "$cx + $r * cos($a)"),$(calc "$cy + $r * sin($a)")"
        mid="$(calc "$cx + 0.7 * $r * cos($a + atan2(1, 0))"),$(calc "$cy + 0.7 * $r * sin($a + atan2(1, 0))")"
        fold="$(calc "$cx + 0.5 * $r * cos($a + atan2(1, 0) / 3)"),$(calc "$cy + 0.5 * $r * sin($a + atan2(1, 0) / 3)")"
        draw+=(-fill "${light[$i]}" -draw "polygon $cx,$cy $tip $mid")
        draw+=(-fill "${dark[$i]}" -draw "polygon $cx,$cy $tip $fold")
    done
    "$IM" -size ${n}x${n} xc:none \
        -stroke 'rgb(120,80,40)' -strokewidth 22 -draw "line $cx,$cy $cx,500" \
        -stroke 'rgb(40,30,30)' -strokewidth 6 "${draw[@]}" \
        -fill 'rgb(250,250,250)' -draw "circle $cx,$cy $((cx + 22)),$cy" \
        -depth 8 "${PNG_OPTS[@]}" "$1"
}
icon "$tmp/icon.png"
"$IM" "$tmp/icon.png" -filter Lanczos -resize 64x64 "${PNG_OPTS[@]}" "$here/kazaguruma.png"
mkdir -p "$here/icons"
for size in 16 24 32 48 128 256; do
    "$IM" "$tmp/icon.png" -filter Lanczos -resize ${size}x${size} "${PNG_OPTS[@]}" \
        "$here/icons/kazaguruma-$size.png"
done

echo "Wrote $here/wallpaper.jpg, the icons and 28 pieces at three sizes in $here/koma"
