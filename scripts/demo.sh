#!/usr/bin/env bash
# A first look at the program in a scratch program directory: a new local
# user, a letter and a server command written off-line, and the mail packet
# they travel in.
set -euo pipefail
orvane=${1:?orvane binary} home=${2:?program directory}
rm -rf "$home"
mkdir -p "$home"
run() {
    echo "\$ orvane $*"
    "$orvane" --home "$home" "$@"
    echo
}
run version
run user add --node C --name "Ann Lee"
run node list
printf 'Dear Bo,\n\nshall we meet at the station at noon?\n\nAnn\n' >"$home/letter.txt"
run write letter --to "Bo Ek" --subject "Lunch on Friday" --body-file "$home/letter.txt"
run write command "@home" "list news"
run text list Out-Basket
run packet build --plain
run packet list
run status
