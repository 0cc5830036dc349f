#!/usr/bin/env bash
# Builds the small DVD-Video folders the tests read (see README.md next to this script for the
# frame-accurate facts they can rely on).
#
#   make_test_discs.sh <outdir>
#
# Each disc lands in <outdir>/<name>/VIDEO_TS. The work is cached: a stamp file
# <outdir>/.complete-<VERSION> marks a finished set, and a second run returns at once.
# Bump VERSION whenever the content of the discs changes.
set -euo pipefail

VERSION=1

if [[ $# -ne 1 ]]; then
  echo "usage: $0 <outdir>" >&2
  exit 2
fi

out=$1
mkdir -p "$out"
out=$(cd "$out" && pwd)
stamp="$out/.complete-$VERSION"

# Several builds (or ctest and a developer) may ask at once: one builds, the others wait.
exec 9>"$out/.lock"
flock 9
if [[ -e $stamp ]]; then
  exit 0
fi

for tool in ffmpeg dvdauthor spumux python3; do
  command -v "$tool" >/dev/null || { echo "make_test_discs: '$tool' is not installed" >&2; exit 1; }
done

work=$(mktemp -d "$out/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -hide_banner -nostdin -loglevel error -y "$@"; }

# ---------------------------------------------------------------------------------------------
# The pattern. Frame n of a title (counted from 0 across all its cells) shows second
#   s = floor(n / fps)
# as a flat grey with luma Y = 16 + 6*s (chroma 128); the first frame of every whole second
# (n = 0 and every n where s changes) is a full-white flash (Y = 235). Every audio track carries
# a 100 ms sine beep at each whole second of title time, at its own frequency, silence between.
# ---------------------------------------------------------------------------------------------

# video_source <rate num> <rate den> <first frame> <frames> <size>
video_source() {
  local num=$1 den=$2 first=$3 frames=$4 size=$5
  local sec="floor((N+$first)*$den/$num)"
  local prev="floor((N+$first-1)*$den/$num)"
  echo "nullsrc=s=16x16:r=$num/$den,trim=end_frame=$frames,format=yuv420p,geq=lum='if(gt(N+$first,0)*eq($sec,$prev),16+6*$sec,235)':cb=128:cr=128,scale=$size:flags=neighbor,setsar=1"
}

# audio_source <frequency> <start seconds> <duration seconds>
audio_source() {
  local freq=$1 start=$2 dur=$3
  local e="if(lt(mod(t+$start,1),0.1),0.5*sin(2*PI*$freq*(t+$start)),0)"
  echo "aevalsrc=exprs='$e|$e':s=48000:d=$dur"
}

# encode <out.mpg> <ntsc|pal> <aspect> <first frame> <frames> <audio track...>
# Each audio track is "<codec>:<frequency>"; "none" for a programme without sound.
encode() {
  local dest=$1 system=$2 aspect=$3 first=$4 frames=$5
  shift 5
  local num den size gop
  if [[ $system == ntsc ]]; then num=30000; den=1001; size=720x480; gop=15
  else num=25; den=1; size=720x576; gop=5; fi
  local start dur
  start=$(python3 -c "print($first*$den/$num)")
  dur=$(python3 -c "print($frames*$den/$num)")
  local args=(-f lavfi -i "$(video_source $num $den "$first" "$frames" $size)")
  local maps=(-map 0:v) codecs=() index=1 track=0 tone
  for tone in "$@"; do
    [[ $tone == none ]] && continue
    args+=(-f lavfi -i "$(audio_source "${tone#*:}" "$start" "$dur")")
    maps+=(-map "$index:a")
    codecs+=("-c:a:$track" "${tone%%:*}" "-b:a:$track" 192k)
    index=$((index + 1)); track=$((track + 1))
  done
  [[ $track -eq 0 ]] && codecs=(-an)
  # No B-frames, and closed GOPs whose length divides the frames of a second (30 frames at
  # 29.97 fps hold for the first 33 s), so every flash starts a VOBU and a chapter mark on a
  # whole second starts on its flash.
  ff "${args[@]}" "${maps[@]}" -target "$system-dvd" -aspect "$aspect" \
     -bf 0 -g $gop -flags +cgop -sc_threshold 1000000000 \
     -force_key_frames 'expr:gte(t,n_forced)' -b:v 2500k -frames:v "$frames" \
     "${codecs[@]}" "$dest"
}

# The dvd muxer numbers MPEG audio from stream 0xC0 and AC-3 from 0x80, and the authoring tool
# maps both to audio track 0. Move the MPEG audio packets of a file to the given stream id.
renumber_mpeg_audio() {
  python3 - "$1" "$2" <<'EOF'
import sys
path, new_id = sys.argv[1], int(sys.argv[2], 0)
data = bytearray(open(path, 'rb').read())
pos = 0
while pos + 14 <= len(data):
    if data[pos:pos + 4] != b'\x00\x00\x01\xba':
        sys.exit(f'{path}: no pack header at {pos}')
    pack_end = pos + 2048
    p = pos + 14 + (data[pos + 13] & 7)
    while p + 6 <= pack_end and data[p:p + 3] == b'\x00\x00\x01':
        sid = data[p + 3]
        length = int.from_bytes(data[p + 4:p + 6], 'big')
        if sid == 0xC0:
            data[p + 3] = new_id
        elif sid == 0xBB:
            for q in range(p + 12, p + 6 + length, 3):
                if data[q] == 0xC0:
                    data[q] = new_id
        p += 6 + length
    pos = pack_end
open(path, 'wb').write(data)
EOF
}

# Splits a title set's VTS_xx_1.VOB at the navigation pack nearest its middle into _1 and _2:
# a player reads the parts of a title set as one contiguous file.
split_vob_at_vobu() {
  python3 - "$1" <<'EOF'
import os, sys
first = sys.argv[1]
second = first[:-5] + '2.VOB'
data = open(first, 'rb').read()
sectors = len(data) // 2048
navs = [s for s in range(1, sectors)
        if data[s * 2048 + 14:s * 2048 + 18] == b'\x00\x00\x01\xbb']
if not navs:
    sys.exit(f'{first}: no navigation pack to split at')
cut = min(navs, key=lambda s: abs(s - sectors // 2)) * 2048
open(second, 'wb').write(data[cut:])
open(first, 'wb').write(data[:cut])
EOF
}

# Marks a PGC's audio tracks as absent in a title set's IFO and BUP: the authoring tool lists the
# set's audio for every PGC, even one whose programme has no sound.
clear_pgc_audio() {
  local ifo
  for ifo in "$1/VIDEO_TS/VTS_0$2_0.IFO" "$1/VIDEO_TS/VTS_0$2_0.BUP"; do
    python3 - "$ifo" "$3" <<'EOF'
import sys
path, pgcn = sys.argv[1], int(sys.argv[2])
data = bytearray(open(path, 'rb').read())
pgcit = int.from_bytes(data[0xCC:0xD0], 'big') * 2048
srp = pgcit + 8 + (pgcn - 1) * 8
pgc = pgcit + int.from_bytes(data[srp + 4:srp + 8], 'big')
data[pgc + 0x0C:pgc + 0x1C] = bytes(16)
open(path, 'wb').write(data)
EOF
  done
}

author() {
  local xml=$1
  VIDEO_FORMAT=NTSC dvdauthor -x "$xml" >"$work/dvdauthor.log" 2>&1 ||
    { cat "$work/dvdauthor.log" >&2; echo "make_test_discs: dvdauthor failed on $xml" >&2; exit 1; }
}

cd "$work"

# 1. ntsc_4x3 -----------------------------------------------------------------------------------
encode ntsc_t1.mpg ntsc 4:3 0 360 ac3:1000 mp2:2000      # 360 frames = 12.012 s
encode ntsc_t2.mpg ntsc 4:3 0 15 ac3:1000 mp2:2000       # 15 frames = 0.5005 s
renumber_mpeg_audio ntsc_t1.mpg 0xC1
renumber_mpeg_audio ntsc_t2.mpg 0xC1
cat >ntsc_4x3.xml <<EOF
<dvdauthor dest="ntsc_4x3">
  <vmgm/>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio format="ac3" lang="en"/>
      <audio format="mp2" lang="fr"/>
      <pgc><vob file="ntsc_t1.mpg" chapters="0,0:04,0:08"/></pgc>
      <pgc><vob file="ntsc_t2.mpg"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
author ntsc_4x3.xml

# 2. pal_16x9_subs ------------------------------------------------------------------------------
encode pal_t1.mpg pal 16:9 0 200 ac3:1000                # 200 frames = 8 s
# The subtitle picture: an opaque white box of 480x120 at (120,400) on a transparent frame.
ff -f lavfi -i "color=c=white:s=480x120,format=rgba,pad=720:576:120:400:color=black@0" -frames:v 1 box.png
for lang in en fr; do
  if [[ $lang == en ]]; then from=00:00:01.00; to=00:00:03.00; else from=00:00:05.00; to=00:00:07.00; fi
  cat >"spu_$lang.xml" <<EOF
<subpictures format="PAL">
  <stream><spu start="$from" end="$to" image="box.png" force="no"/></stream>
</subpictures>
EOF
done
spumux -m dvd -P -s 0 spu_en.xml <pal_t1.mpg >pal_t1_en.mpg 2>spumux.log ||
  { cat spumux.log >&2; exit 1; }
spumux -m dvd -P -s 1 spu_fr.xml <pal_t1_en.mpg >pal_t1_subs.mpg 2>spumux.log ||
  { cat spumux.log >&2; exit 1; }
cat >pal_16x9_subs.xml <<EOF
<dvdauthor dest="pal_16x9_subs">
  <vmgm/>
  <titleset>
    <titles>
      <video format="pal" aspect="16:9" widescreen="nopanscan"/>
      <audio format="ac3" lang="de"/>
      <subpicture lang="en"/>
      <subpicture lang="fr"/>
      <pgc><vob file="pal_t1_subs.mpg" chapters="0,0:04"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
author pal_16x9_subs.xml

# 3. multi_vob ----------------------------------------------------------------------------------
# Three separately encoded programmes of 150 frames each (5.005 s), so each cell's MPEG clock
# starts again; the pattern continues across them in title time.
for k in 0 1 2; do
  encode "multi_$k.mpg" ntsc 4:3 $((k * 150)) 150 ac3:1000
done
cat >multi_vob.xml <<EOF
<dvdauthor dest="multi_vob">
  <vmgm/>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio format="ac3" lang="en"/>
      <pgc>
        <vob file="multi_0.mpg"/>
        <vob file="multi_1.mpg"/>
        <vob file="multi_2.mpg"/>
      </pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
author multi_vob.xml
split_vob_at_vobu multi_vob/VIDEO_TS/VTS_01_1.VOB

# 4. two_sets -----------------------------------------------------------------------------------
encode two_a.mpg ntsc 4:3 0 150 ac3:1000                 # 150 frames = 5.005 s
encode two_b.mpg ntsc 4:3 0 270 ac3:1000                 # 270 frames = 9.009 s
encode two_c.mpg ntsc 4:3 0 90 none                      # 90 frames = 3.003 s, no audio
cat >two_sets.xml <<EOF
<dvdauthor dest="two_sets">
  <vmgm/>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio format="ac3" lang="en"/>
      <pgc><vob file="two_a.mpg"/></pgc>
    </titles>
  </titleset>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio format="ac3" lang="en"/>
      <pgc><vob file="two_b.mpg"/></pgc>
      <pgc><vob file="two_c.mpg"/></pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
author two_sets.xml
clear_pgc_audio two_sets 2 2

# Put the finished discs in place, then stamp the set.
for disc in ntsc_4x3 pal_16x9_subs multi_vob two_sets; do
  rm -rf "${out:?}/$disc"
  mv "$disc" "$out/$disc"
done
rm -f "$out"/.complete-*
touch "$stamp"
