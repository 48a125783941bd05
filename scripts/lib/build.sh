# Shared by the scripts: configure and build one build folder quietly.
#   configure_build DIR [CMAKE_ARGS...]   configures DIR with Ninja (remade if an older build used another
#                                         generator); the output goes to DIR/configure.log
#   build_targets DIR [TARGETS...]        builds DIR (all, or the targets given) and prints one line per
#                                         finished program or library and every compiler warning; on
#                                         failure the failing commands' output. The whole log is
#                                         DIR/build.log.

configure_build() {
  local dir=$1
  shift
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  mkdir -p "$dir"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log" >&2
    echo "configuring $dir failed (log: $dir/configure.log)" >&2
    return 1
  fi
}

build_targets() {
  local dir=$1
  shift
  local targets=()
  if [ $# -gt 0 ]; then targets=(--target "$@"); fi
  local started=$SECONDS
  if ! cmake --build "$dir" -j"$(nproc)" "${targets[@]}" 2>&1 | tee "$dir/build.log" |
      sed -nE -e 's/^\[[0-9]+\/[0-9]+\] Linking CXX (executable|static library) (.*)$/  built \2/p' \
        -e '/: warning: /p'; then
    # Ninja marks each failed command with "FAILED:"; print each with the compiler's output after it.
    sed -nE '/^FAILED: /,/^(\[[0-9]+\/[0-9]+\] |ninja: )/p' "$dir/build.log" >&2
    echo "building $dir failed (log: $dir/build.log)" >&2
    return 1
  fi
  echo "  $dir built in $((SECONDS - started)) s"
}
