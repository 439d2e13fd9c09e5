# Shared by the scripts: build directories and a virtual display when there is none.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

# Starts Xvfb with a window manager (a full-screen window stays 1x1 without one)
# and exports DISPLAY; both are stopped when the calling script exits.
start_virtual_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${VORNAK_SCREEN:-1280x720x24}" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      openbox >/dev/null 2>&1 &
      wm_pid=$!
      trap 'kill $wm_pid $xvfb_pid 2>/dev/null || true' EXIT
      # Give the window manager a moment to take the screen.
      for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
      done
      return 0
    fi
  done
  echo "cannot start a virtual X server" >&2
  return 1
}

# ccache, when there is one, keyed on paths below the repository root.
compiler_launcher() {
  if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root"
    echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}

# Runs a build command quietly: its output shows only when it fails.
quietly() {
  local log
  log="$(mktemp)"
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# Every target built by clang with -Werror, AddressSanitizer and UBSan.
sanitize_build="$root/build/sanitize"
build_sanitized() {
  # shellcheck disable=SC2046
  quietly env CC=clang CXX=clang++ cmake -S "$root" -B "$sanitize_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVORNAK_WERROR=ON -DVORNAK_SANITIZE=ON $(compiler_launcher)
  quietly cmake --build "$sanitize_build" -j "$jobs"
}

# Configures and builds the release program, showing the build's progress.
build_release() {
  echo "building vornak (release) in build/release ..."
  # shellcheck disable=SC2046
  cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release $(compiler_launcher) \
        -DVORNAK_BUILD_TESTS=OFF -DVORNAK_BUILD_BENCH=OFF -DVORNAK_BUILD_TOOLS=OFF \
        -DVORNAK_BUILD_EXAMPLES=OFF >/dev/null
  cmake --build "$root/build/release" --target vornak -j "$jobs"
}
