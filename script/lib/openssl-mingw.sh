# Sourced by script/bootstrap and the scripts that configure build/win: OpenSSL for MinGW-w64,
# static, built from Debian's source package of the release this machine's apt offers. Debian
# ships no MinGW build of a TLS library, and Wine's schannel cannot export TLS keying material,
# which NTS needs. Built once per Debian version into a cache outside the build tree (a clean
# clone or a new build folder does not pay the build again):
#   ${HOROLUX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/horolux}/openssl-mingw64-VERSION
# with openssl-mingw64 a link to the one in use.
#   openssl_mingw_ensure   fetches and builds the release apt offers, when not built yet
#   openssl_mingw_root     prints the prefix in use; false when none is built
_openssl_cache=${HOROLUX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/horolux}

openssl_mingw_root() {
  local root
  root=$(readlink -f "$_openssl_cache/openssl-mingw64" 2>/dev/null) && [ -f "$root/.complete" ] &&
    echo "$root"
}

# apt's source client on a private copy of the machine's own sources, so no host name is written
# here and the system's lists stay as they are. Only the main archive: with the security archive
# too, apt picks a newer release whose .dsc it could not fetch.
_openssl_apt() {  # apt-get arguments...
  env -u http_proxy -u HTTP_PROXY apt-get -q -o Dir::Etc::sourcelist=/dev/null \
    -o Dir::Etc::sourceparts="$_openssl_cache/apt/parts" -o Dir::State::Lists="$_openssl_cache/apt/lists" \
    -o Dir::Cache="$_openssl_cache/apt/cache" -o APT::Sandbox::User=root "$@"
}

_openssl_apt_sources() {
  local parts=$_openssl_cache/apt/parts
  rm -rf "$parts"  # the lists stay, so that an update fetches only what changed
  mkdir -p "$parts" "$_openssl_cache/apt/lists/partial" "$_openssl_cache/apt/cache/archives/partial"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk -v RS= -v ORS='\n\n' '!/-security/' /etc/apt/sources.list.d/debian.sources |
      sed 's/^Types: deb$/Types: deb-src/' >"$parts/src.sources"
  else
    grep -h '^deb ' /etc/apt/sources.list | grep -v -- '-security' | sed 's/^deb /deb-src /' >"$parts/src.list"
  fi
}

openssl_mingw_ensure() {
  mkdir -p "$_openssl_cache"
  local lock version prefix work
  exec {lock}>"$_openssl_cache/openssl.lock"
  flock "$lock"  # other worktrees of this machine share the cache
  _openssl_apt_sources
  if ! _openssl_apt update >"$_openssl_cache/apt/update.log" 2>&1; then
    if openssl_mingw_root >/dev/null; then
      echo "bootstrap: apt's sources are unreachable; keeping $(openssl_mingw_root)" >&2
      exec {lock}>&-
      return 0
    fi
    echo "bootstrap: could not read apt's source lists: $(tail -3 "$_openssl_cache/apt/update.log")" >&2
    exec {lock}>&-
    return 1
  fi
  version=$(_openssl_apt source --print-uris openssl 2>/dev/null |
    sed -n "s/^'[^']*' openssl_\([^ ]*\)\.dsc .*/\1/p" | head -1)
  if [ -z "$version" ]; then
    echo "bootstrap: apt offers no openssl source package" >&2
    exec {lock}>&-
    return 1
  fi
  prefix=$_openssl_cache/openssl-mingw64-$version
  if [ ! -f "$prefix/.complete" ]; then
    echo "bootstrap: building OpenSSL $version for MinGW-w64 (once, about 2 minutes)"
    rm -rf "$prefix"
    work=$(mktemp -d "$_openssl_cache/openssl-build.XXXXXX")
    if ! _openssl_mingw_build "$work" "$prefix" >"$work.log" 2>&1; then
      echo "bootstrap: the OpenSSL build failed: $(tail -5 "$work.log")" >&2
      rm -rf "$work" "$prefix"
      exec {lock}>&-
      return 1
    fi
    rm -rf "$work" "$work.log"
    touch "$prefix/.complete"  # last: an interrupted build is done again
  fi
  ln -sfn "${prefix##*/}" "$_openssl_cache/openssl-mingw64"
  exec {lock}>&-
}

# Only the libraries and headers: no tests, no shared library, no loadable modules or engines.
_openssl_mingw_build() (  # WORK_DIR PREFIX; a subshell, for its cd
  local tries
  for tries in 1 2 3; do  # a mirror may be busy for a moment
    (cd "$1" && _openssl_apt source --download-only openssl) && break
    [ "$tries" -lt 3 ] || return 1
    sleep 2
  done
  mkdir "$1/src"
  tar -xf "$1"/openssl_*.orig.tar.gz -C "$1/src" --strip-components=1
  cd "$1/src"
  ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- no-shared no-tests no-module \
    no-legacy no-engine no-dso --prefix="$2"
  make -j"$(nproc)" build_libs
  make install_dev
)
