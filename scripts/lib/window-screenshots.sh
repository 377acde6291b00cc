# Shared by the window screenshot scripts: builds a picture-taking program and
# runs it on a virtual display at 100 % and 200 % scaling.
#
#   window_screenshots <program target> <folder name> <screen WxH> [build dir] [output dir]
#     build dir   default build/default (configured if missing)
#     output dir  default <build dir>/screenshots/<folder name>
# Run from the repository's root.
window_screenshots() {
  local target=$1 name=$2 screen=$3
  local build=${4:-build/default}
  local out=${5:-$build/screenshots/$name}

  command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; return 1; }
  [ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" --target "$target" -j 2
  local bin
  bin=$(find "$build" -name "$target" -type f -perm -u+x | head -n 1)

  local scale dir
  for scale in 1 2; do
    dir="$out/scale$scale"
    rm -rf "$dir"
    mkdir -p "$dir"
    echo "== scale $scale -> $dir"
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
      xvfb-run -a -s "-screen 0 ${screen}x24" "$bin" "$dir"
  done
}
