#!/usr/bin/env bash
# A first look at the program: a scratch program directory and what orvane
# finds there.
set -euo pipefail
orvane=${1:?orvane binary} home=${2:?program directory}
rm -rf "$home"
mkdir -p "$home"
echo "\$ orvane version"
"$orvane" version
echo
echo "\$ orvane --home $home status"
"$orvane" --home "$home" status
