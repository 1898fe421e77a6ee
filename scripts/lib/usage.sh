# shellcheck shell=bash
# Sourced by the scripts. print_usage SCRIPT: prints the comment block at the top of
# SCRIPT (after the #! line, up to the first line that is not a comment), without
# the leading "# ", as the script's --help.
print_usage() {
  sed -n '2,${/^#/!q;s/^# \{0,1\}//;p}' "$1"
}
