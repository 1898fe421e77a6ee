# shellcheck shell=bash
# Sourced by the scripts. ensure_packages WHO PACKAGE...: installs with apt-get the
# Debian packages of the list that are not installed yet (nothing runs when all are),
# telling on stderr as WHO. A package of another architecture (wine32:i386) has that
# architecture added to dpkg first.
ensure_packages() {
  local who=$1 p
  shift
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "$who: installing ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  local start=$SECONDS
  for p in "${missing[@]}"; do
    if [[ $p == *:* ]] && ! dpkg --print-foreign-architectures | grep -qx "${p##*:}"; then
      $sudo dpkg --add-architecture "${p##*:}"
    fi
  done
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  echo "$who: packages installed in $((SECONDS - start)) s" >&2
}
