# Shared by the scripts: build directories and a virtual display when there is none.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

# Starts Xvfb with a window manager (a full-screen window stays 1x1 without one)
# and exports DISPLAY; both are stopped when the calling script exits. Each step
# waits for the state it needs, not for a time: on a busy machine the server's
# socket exists a while before the server answers, and a window manager started
# then dies at once.
start_virtual_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${VORNAK_SCREEN:-1280x720x24}" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    wm_pid=""
    trap 'kill $wm_pid $xvfb_pid 2>/dev/null || true' EXIT
    if wait_for 600 "$xvfb_pid" xdpyinfo -display ":$n" && kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      start_window_manager
      return
    fi
    # Another server took this number first, or this one failed: try the next.
    kill "$xvfb_pid" 2>/dev/null || true
  done
  echo "cannot start a virtual X server" >&2
  return 1
}

# openbox on $DISPLAY, up when it has announced itself on the root window.
start_window_manager() {
  local attempt
  for attempt in 1 2 3; do
    openbox >/dev/null 2>&1 &
    wm_pid=$!
    if wait_for 600 "$wm_pid" sh -c "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'"; then
      return 0
    fi
  done
  echo "cannot start a window manager (openbox) on the virtual X server $DISPLAY" >&2
  return 1
}

# wait_for TENTHS PID COMMAND...: runs COMMAND every 0.1 s until it succeeds
# (true), PID has ended or TENTHS tries have failed (false).
wait_for() {
  local tries="$1" pid="$2" i
  shift 2
  for i in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
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
