#!/usr/bin/env bash
# Runs the batch update as N shards side by side with GNU parallel, each worker in a folder of its own with a
# copy of the program folder's database, then merges the workers' copies into that database.
#
#   deploy/parallel-shards.sh PROGRAM_FOLDER N [WORK_FOLDER]
#
# PROGRAM_FOLDER holds Quorvane, DataBase/Trevanid.mdb and the optional Endpoints.ini and Engines.ini; run
# this while neither the window nor another run of that folder is open. WORK_FOLDER (a new temporary folder
# by default) receives the workers' folders 0 .. N-1 and is kept, so that a failed shard can be looked at.
# Extra options for every worker (e.g. --engines Baidu,Bing --pages 2) go in QUORVANE_OPTIONS.
#
# On several hosts: QUORVANE_HOSTS=host1,host2 (ssh logins GNU parallel can use, with Quorvane's Debian
# packages installed there); each job then carries its worker folder to a host and brings its database back.
#
# Exit status: 0 when every shard completed and the merge worked; 1 when a shard failed (the shards that
# completed are merged all the same); the merge's own status when it failed.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: $0 PROGRAM_FOLDER N [WORK_FOLDER]" >&2; exit 2; }
folder=$(realpath "$1")
shards=$2
work=$(realpath -m "${3:-$(mktemp -d)}")
options=${QUORVANE_OPTIONS:-}

# A worker is a program folder of its own: each folder has its own single-instance guard and database.
for ((k = 0; k < shards; k++)); do
  mkdir -p "$work/$k/DataBase"
  cp "$folder/Quorvane" "$work/$k/"
  for ini in Endpoints.ini Engines.ini; do
    if [ -f "$folder/$ini" ]; then cp "$folder/$ini" "$work/$k/"; fi
  done
  cp "$folder/DataBase/Trevanid.mdb" "$work/$k/DataBase/"
done

shard_status=0
if [ -z "${QUORVANE_HOSTS:-}" ]; then
  # The line itself: one job per shard, all at once; each line of output tagged with its shard.
  seq 0 $((shards - 1)) |
    parallel --will-cite --jobs "$shards" --tag --line-buffer \
      "$work/{}/Quorvane" --update --shard "{}/$shards" --quiet $options || shard_status=1
else
  # Each job takes its folder to a host as a tar file and brings the database back as {}.mdb.
  (cd "$work" && for ((k = 0; k < shards; k++)); do tar -cf "$k.tar" -C "$k" .; done)
  (cd "$work" && seq 0 $((shards - 1)) |
    parallel --will-cite --sshlogin "$QUORVANE_HOSTS" --jobs 1 --tag --line-buffer \
      --transferfile {}.tar --return {}.mdb --cleanup \
      "mkdir -p w{} && tar -xf {}.tar -C w{} && { w{}/Quorvane --update --shard {}/$shards --quiet $options; s=\$?; cp w{}/DataBase/Trevanid.mdb {}.mdb; rm -rf w{}; exit \$s; }") ||
    shard_status=1
  for ((k = 0; k < shards; k++)); do
    if [ -f "$work/$k.mdb" ]; then mv "$work/$k.mdb" "$work/$k/DataBase/Trevanid.mdb"; fi
  done
fi

copies=()
for ((k = 0; k < shards; k++)); do copies+=("$work/$k/DataBase/Trevanid.mdb"); done
"$folder/Quorvane" --merge "${copies[@]}"
exit "$shard_status"
