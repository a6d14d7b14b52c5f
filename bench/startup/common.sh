# Shared by the start-up benchmarks; sourced after `top` is set.
# Builds the outside launch timer into $tools, makes a work folder removed
# at exit, and runs a measuring script under one Xvfb and one session bus.

tools=/tmp/quiro-bench-tools
mkdir -p "$tools"
floors=${FLOOR_SRC_DIR:-$top/../shared/bench}
gcc -O2 -o "$tools/launchwait" "$floors/launchwait.c" -lX11

work=$(mktemp -d /tmp/quiro-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# run_measured SCRIPT ARGS...: python3 SCRIPT ARGS under Xvfb, with the same
# settings for every program measured (software rendering, no accessibility
# bus, the sandbox on). The session bus and the X server talk on stderr; that
# is kept out of the figures and shown only when the script fails.
run_measured() {
  export WEBKIT_DISABLE_DMABUF_RENDERER=1 NO_AT_BRIDGE=1
  # The viewer runs its pages in the engine's sandbox only with a runtime
  # folder of the user's own (a login session has one; a bare shell may not).
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  fi
  local runner=()
  command -v dbus-run-session >/dev/null && runner=(dbus-run-session --)
  if ! "${runner[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" python3 "$@" 2>"$work/stderr.log"; then
    cat "$work/stderr.log" >&2
    exit 1
  fi
}
