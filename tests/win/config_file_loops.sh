#!/bin/sh
# Runs the configuration search test over a profile tree whose folder links loop: two links to
# "." directly in "ucf", one to ".." below it and one from "ucf-java" to "ucf". Windows programs
# under Wine cannot make links, so they are made here as Unix symbolic links; Wine shows them as
# folders. The tree is removed afterwards (rm does not follow the links).
#
#   config_file_loops.sh HARNESS run PREFIX EXE
set -eu

prefix=$3
# Wine names the profile folder after $USER, or else after the account.
documentum="$prefix/drive_c/users/${USER:-$(id -un)}/Documentum"
ucf="$documentum/ucf"

rm -rf "$documentum"
mkdir -p "$ucf/older" "$ucf/newer" "$documentum/ucf-java/client"
touch -d @1300000000 "$ucf/older/ucf.client.config.xml"
touch -d @1300000500 "$ucf/newer/ucf.client.config.xml"
touch -d @1300000500 "$documentum/ucf-java/client/ucf.client.config.xml"
ln -s . "$ucf/a"
ln -s . "$ucf/b"
ln -s .. "$ucf/newer/up"
ln -s ../ucf "$documentum/ucf-java/ucf"

status=0
"$@" || status=$?
rm -rf "$documentum"
exit $status
