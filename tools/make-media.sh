#!/usr/bin/env bash
# Makes the demo media: original tunes synthesized with sox and encoded with
# lame. OUT/library is the demo catalogue's music folder: tagged MP3 files
# (title, singer, publisher, embedded cover) with .lrc lyrics beside them, a
# few FLAC and Ogg songs made by ffmpeg, and one MP3 tagged in GBK.
# OUT/media and OUT/cover hold the untagged tunes, a test tone and covers that
# the tests read; OUT/benchlib and OUT/playstart are benchmarks' catalogues.
# Idempotent.
set -euo pipefail
OUT="${1:?usage: make-media.sh <folder>}"
mkdir -p "$OUT/media" "$OUT/cover"
notes=(C4 D4 E4 G4 A4 C5 D5 E5 G5 A5)

# tune <i> <wav>: a short melody of pluck notes over a soft pad, 12..24 s.
tune() {
  local i="$1" wav="$2" parts=() k n len=$((12 + ($1 * 7) % 13))
  for k in $(seq 0 $((len * 2 - 1))); do
    n=${notes[$(( (k * (i + 3) + i * 5 + (k / 3) * 2) % ${#notes[@]} ))]}
    parts+=("$OUT/n$k.wav")
    sox -q -n -r 44100 -c 2 "$OUT/n$k.wav" synth 0.5 pluck "$n" fade 0 0.5 0.3 vol 0.5
  done
  sox -q "${parts[@]}" "$OUT/mel.wav"
  sox -q -n -r 44100 -c 2 "$OUT/pad.wav" synth "$len" sine "${notes[$((i % 5))]}" sine "${notes[$((i % 5 + 2))]}" vol 0.08
  sox -q -m "$OUT/mel.wav" "$OUT/pad.wav" "$wav" trim 0 "$len"
  rm -f "${parts[@]}" "$OUT/mel.wav" "$OUT/pad.wav"
}

cover() {
  local i="$1" out="$2" hue=$(( ($1 * 30) % 360 ))
  convert -size 217x137 "gradient:hsl($hue,70%,70%)-hsl($(( (hue + 120) % 360 )),60%,35%)" \
    -fill white -draw "circle 108,68 108,20" -fill "hsl($hue,80%,40%)" -draw "circle 108,68 108,58" "$out"
}

if [ ! -f "$OUT/.v2" ]; then
  for i in $(seq 0 11); do
    tune "$i" "$OUT/tune$i.wav"
    lame --quiet -b 128 --tt "Demo tune $i" --ta "SongBox" "$OUT/tune$i.wav" "$OUT/media/tune$i.mp3"
    rm -f "$OUT/tune$i.wav"
    cover "$i" "$OUT/cover/cover$i.jpg"
  done
  # A 1 kHz test tone for the player's tests (exactly 3 s, mono 44.1 kHz).
  sox -q -n -r 44100 -c 1 "$OUT/tone1k.wav" synth 3 sine 1000 vol 0.5
  lame --quiet -b 128 "$OUT/tone1k.wav" "$OUT/media/tone1k.mp3"
  rm -f "$OUT/tone1k.wav"
  # A 20 MB file for the download benchmark (not music; only its size matters).
  head -c 20971520 /dev/urandom > "$OUT/media/bench20m.mp3"
  touch "$OUT/.v2"
fi
# The download benchmark's catalogue serves only its 20 MB file.
mkdir -p "$OUT/benchlib"
ln -f "$OUT/media/bench20m.mp3" "$OUT/benchlib/bench20m.mp3"

# The first-play benchmark's catalogue: FLAC tones nobody has played, song k
# (newest first) titled "First play k" at 300 + 100 k Hz, four seconds each.
if [ ! -f "$OUT/.playstart-v1" ]; then
  rm -rf "$OUT/playstart"
  mkdir -p "$OUT/playstart"
  for k in 1 2 3 4 5; do
    ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$((300 + 100 * k)):sample_rate=44100:duration=4" \
      -ac 2 -metadata title="First play $k" -metadata artist="SongBox" "$OUT/playstart/first_play_$k.flac"
    touch -d "@$(( $(date +%s) - 60 * k ))" "$OUT/playstart/first_play_$k.flac"
  done
  touch "$OUT/.playstart-v1"
fi

[ -f "$OUT/.library-v4" ] && exit 0
LIB="$OUT/library"
rm -rf "$LIB" "$OUT/library.tmp"
mkdir -p "$OUT/library.tmp"
# title|singer|file name; newest first. The first song's singer and title
# hold characters that only GB18030 has (not GBK).
songs=(
  "星光 🎵|王𠮷|xingguang"
  "晴天的海风|林小雨|qingtian_haifeng" "月光 下的河|周木|yueguang_xiahe" "远方来信|陈一舟|yuanfang_laixin"
  "城市 夜行|江北乐队|chengshi_yexing" "青石巷|苏晚晴|qingshi_xiang" "风吹过的 夏天|叶知秋|fengchui_xiatian"
  "纸飞机|白鹭合唱团|zhi_feiji" "雨后 初晴|何远|yuhou_chuqing" "灯火阑珊处|沈星河|denghuo_lanshan"
  "星河 渡口|许南风|xinghe_dukou" "旧时光|唐小满|jiu_shiguang" "南方 的 候鸟|顾青山|nanfang_houniao"
  "山间小路|林小雨|shanjian_xiaolu" "第一场雪|周木|diyichang_xue" "梧桐 落叶|陈一舟|wutong_luoye"
  "晚安 小镇|苏晚晴|wanan_xiaozhen" "海边的 小木屋|江北乐队|haibian_muwu" "萤火 与 归途|叶知秋|yinghuo_guitu"
  "银杏 大道|何远|yinxing_dadao" "白露|白鹭合唱团|bai_lu" "长街 短梦|沈星河|changjie_duanmeng"
  "风铃 叮当|许南风|fengling_dingdang" "春日 来信|唐小满|chunri_laixin" "云朵 邮局|顾青山|yunduo_youju"
  "夜航船|林小雨|ye_hangchuan" "橘子 汽水|周木|juzi_qishui" "小满|陈一舟|xiao_man"
  "霜降 以后|苏晚晴|shuangjiang_yihou" "落日 车站|江北乐队|luori_chezhan" "秋千 上的 猫|叶知秋|qiuqian_mao"
  "蓝色 信箱|何远|lanse_xinxiang" "稻田 守望|白鹭合唱团|daotian_shouwang" "九月 的 列车|沈星河|jiuyue_lieche"
  "听潮|许南风|ting_chao" "向北 的 窗|唐小满|xiangbei_chuang" "月台 与 海|顾青山|yuetai_yuhai"
)
publishers=(青石唱片 南风音乐 星河文化 白鹭工作室 远山唱片)
verses=(清晨的风吹过窗台 你说远方有一片海 我把心事写进云彩 等一场雨慢慢下来 街灯亮起又熄灭 旧照片里的笑脸
        走过长长的夜 明天依然值得期待 火车穿过了田野 信纸上落满星光 我们在路口告别 把歌声留给晚风)
for i in $(seq 0 11); do
  tune "$i" "$OUT/library.tmp/tune$i.wav"
  cover "$i" "$OUT/library.tmp/cover$i.jpg"
done
# One cover as PNG: the service hands it out as JPEG.
convert "$OUT/library.tmp/cover5.jpg" "$OUT/library.tmp/cover5.png"
n=${#songs[@]}
for i in $(seq 0 $((n - 1))); do
  IFS='|' read -r title singer file <<<"${songs[$i]}"
  t=$((i % 12))
  dir="$LIB/$singer"
  mkdir -p "$dir"
  art=(--ti "$OUT/library.tmp/cover$t.jpg")
  [ "$t" = 5 ] && art=(--ti "$OUT/library.tmp/cover$t.png")
  # The 白鹭合唱团 songs share a folder picture instead of embedded ones.
  if [ "$singer" = 白鹭合唱团 ]; then art=(); cp "$OUT/library.tmp/cover$t.jpg" "$dir/folder.jpg"; fi
  lame --quiet -b 128 --id3v2-only --id3v2-utf16 --tt "$title" --ta "$singer" --tl "新歌音乐盒 演示曲库" \
    --tv "TPUB=${publishers[$((i % 5))]}" "${art[@]}" "$OUT/library.tmp/tune$t.wav" "$dir/$file.mp3"
  {
    printf '[ti:%s]\r\n[ar:%s]\r\n' "$title" "$singer"
    for k in $(seq 0 7); do
      printf '[00:%02d.00]%s\r\n' $((1 + k * 3)) "${verses[$(( (i * 5 + k) % ${#verses[@]} ))]}"
    done
  } > "$dir/$file.lrc"
  # Older songs have older files: the service lists the newest first.
  touch -d "@$(( $(date +%s) - 3600 * (i + 1) ))" "$dir/$file.mp3"
done
# Songs in other formats, made by ffmpeg (FLAC with its cover), and one MP3
# tagged as old Chinese tools did: GBK bytes in frames marked ISO-8859-1.
others=("山海 之间|远山乐团|shanhai_zhijian.flac" "微光|林小雨|weiguang.flac" "归途 列车|周木|guitu_lieche.flac"
        "午后 咖啡|苏晚晴|wuhou_kafei.ogg" "渡口 月色|许南风|dukou_yuese.ogg")
for i in $(seq 0 $((${#others[@]} - 1))); do
  IFS='|' read -r title singer file <<<"${others[$i]}"
  dir="$LIB/$singer"
  mkdir -p "$dir"
  art=()
  [ "${file##*.}" = flac ] && art=(-i "$OUT/library.tmp/cover$i.jpg" -map 0 -map 1 -c:v copy -disposition:v attached_pic)
  [ "${file##*.}" = ogg ] && art=(-c:a libvorbis)
  ffmpeg -nostdin -v error -y -i "$OUT/library.tmp/tune$((i + 3)).wav" "${art[@]}" \
    -metadata title="$title" -metadata artist="$singer" -metadata publisher="${publishers[$((i % 5))]}" "$dir/$file"
  touch -d "@$(( $(date +%s) - 3600 * (n + i + 1) ))" "$dir/$file"
done
# lame writes ISO-8859-1 frames from UTF-8 arguments: the GBK bytes go in as
# the Latin-1 characters they look like.
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | iconv -f ISO-8859-1 -t UTF-8; }
mkdir -p "$LIB/陈一舟"
lame --quiet -b 128 --id3v2-only --id3v2-latin1 --tt "$(gbk 老唱片)" --ta "$(gbk 陈一舟)" \
  --tv "TPUB=$(gbk 远山唱片)" "$OUT/library.tmp/tune8.wav" "$LIB/陈一舟/lao_changpian.mp3"
touch -d "@$(( $(date +%s) - 3600 * (n + ${#others[@]} + 1) ))" "$LIB/陈一舟/lao_changpian.mp3"
rm -rf "$OUT/library.tmp"
touch "$OUT/.library-v4"
