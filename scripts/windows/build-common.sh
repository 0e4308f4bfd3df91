# Sourced by the Windows build scripts of the libraries built from Debian's source.

# Ends the script when the build is in its cache folder PREFIX already (marked by
# PREFIX/.complete), printing PREFIX; with --check as ARG it only says whether it is
# there (exit 0) or not (exit 1). Usage: answer_from_cache NAME PREFIX [ARG]
answer_from_cache() {
  local name=$1 prefix=$2
  if [ "${3:-}" = "--check" ]; then
    echo "$prefix"
    [ -f "$prefix/.complete" ]
    exit
  fi
  if [ -f "$prefix/.complete" ]; then
    echo "$name for Windows: $prefix (built before)" >&2
    echo "$prefix"
    exit 0
  fi
}

# Runs `apt-get source ARGS...` in WORK/source through a private apt configuration (a
# deb-src line of its own under WORK/apt, never in the system's sources).
# Usage: debian_source WORK ARGS...
debian_source() {
  local work=$1
  shift
  local apt_dir=$work/apt release
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$work/source"
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "deb-src http://deb.debian.org/debian $release main" > "$apt_dir/sources.list"
  local apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
                  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
                  -o "Debug::NoLocking=1")
  apt-get "${apt_opts[@]}" update >&2
  (cd "$work/source" && apt-get "${apt_opts[@]}" source "$@" >&2)
}
