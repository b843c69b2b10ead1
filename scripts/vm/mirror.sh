# The Debian mirror that this machine's apt uses, for the virtual machine's debootstrap. Source it.
#
#   debian_mirror [APT_DIR]   prints the mirror of the first "deb" source for bookworm under
#                             APT_DIR (default /etc/apt), in either form apt reads:
#                             sources.list.d/*.sources ("URIs:" and "Suites:" lines, as a new
#                             installation has them) or sources.list and sources.list.d/*.list
#                             ("deb [options] URI SUITE ...", as debootstrap and older installers
#                             leave them); http://deb.debian.org/debian when it finds none.
# It never fails: a missing file or an unreadable one is simply no source.
debian_mirror() {
  local apt=${1:-/etc/apt} found=""
  local -a deb822=() oneline=()
  shopt -s nullglob
  deb822=("$apt"/sources.list.d/*.sources)
  oneline=("$apt"/sources.list "$apt"/sources.list.d/*.list)
  shopt -u nullglob
  if [ ${#deb822[@]} -gt 0 ]; then
    # One stanza per paragraph; a stanza may list several types, URIs and suites.
    found=$(awk '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && suites ~ /(^| )bookworm( |$)/ && uris != "" && !done) {
          split(uris, u, " "); print u[1]; done = 1
        }
        types = ""; uris = ""; suites = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]*#/ { next }
      tolower($1) == "types:" { $1 = ""; types = $0 }
      tolower($1) == "uris:" { $1 = ""; uris = $0 }
      tolower($1) == "suites:" { $1 = ""; suites = $0 }
      END { flush() }' "${deb822[@]}" 2>/dev/null || true)
  fi
  if [ -z "$found" ]; then
    local file
    for file in "${oneline[@]}"; do
      [ -r "$file" ] || continue
      found=$(awk '
        $1 == "deb" {
          i = 2
          if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
          if ($(i + 1) == "bookworm") { print $i; exit }
        }' "$file" 2>/dev/null || true)
      [ -z "$found" ] || break
    done
  fi
  echo "${found:-http://deb.debian.org/debian}"
}
