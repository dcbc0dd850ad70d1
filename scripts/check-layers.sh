#!/usr/bin/env bash
# Lists every include that runs back up the folder order of src/ (a folder including one above
# it) and exits 1 when there is one. The order is the README's, bottom first.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."
order=(base decode ingest form config window charts export sqlite net live forward archive options qt)
declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done
back=0
while read -r file; do
  own=$(cut -d/ -f2 <<<"$file")
  [[ -n ${rank[$own]+x} ]] || { echo "$file: folder $own is not in the order" >&2; back=$((back + 1)); continue; }
  for used in $(grep -oE '^#include "[a-z_]+/' "$file" | sed 's/#include "//; s/\///'); do
    [[ -n ${rank[$used]+x} ]] || continue
    if ((rank[$used] > rank[$own])); then
      echo "$file includes $used/, which stands above $own/"
      back=$((back + 1))
    fi
  done
done < <(find src -name '*.cpp' -o -name '*.hpp' | sort)
echo "includes running back up: $back"
((back == 0))
