#!/usr/bin/env bash
# Fails when the checked-in catalogue lacks a text the sources translate, or
# keeps one they no longer do: it runs lupdate over a copy and compares the
# source texts. The fix is `cmake --build <build> --target update_translations`.
# With "complete", a text not translated yet fails it too: the catalogue of a
# language the program speaks must answer every text.
#
#   check-catalogue.sh LUPDATE GENERATE_PROJECT_SCRIPT PROJECT_CMAKE CATALOGUE [complete]
#
# PROJECT_CMAKE is what the build's configure step writes for lupdate; the
# GENERATE_PROJECT_SCRIPT (Qt's) turns it into lupdate's project file, as the
# update_translations target does.
set -euo pipefail
lupdate=$1 generate=$2 project_cmake=$3 catalogue=$4 complete=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -DIN_FILE="$project_cmake" -DOUT_FILE="$work/project.json" -P "$generate"
cp "$catalogue" "$work/current.ts"
"$lupdate" -project "$work/project.json" -no-obsolete -locations none -source-language pt_PT \
  -ts "$work/current.ts" >/dev/null
# One line per source text, its own line breaks written as \n.
texts() {
  perl -0777 -ne 'while (/<source>(.*?)<\/source>/sg) { (my $t = $1) =~ s/\n/\\n/g; print "$t\n" }' \
    "$1" | sort
}
if ! diff <(texts "$catalogue") <(texts "$work/current.ts") >"$work/diff"; then
  echo "the catalogue $catalogue is out of date (< in it, > in the sources):" >&2
  cat "$work/diff" >&2
  exit 1
fi
if [[ $complete == complete ]]; then
  open=$(grep -c -e 'type="unfinished"' -e '<translation></translation>' \
    -e '<numerusform></numerusform>' "$catalogue" || true)
  if ((open > 0)); then
    echo "the catalogue $catalogue leaves $open texts untranslated:" >&2
    grep -B3 -e 'type="unfinished"' -e '<translation></translation>' \
      -e '<numerusform></numerusform>' "$catalogue" | grep -o '<source>.*</source>' >&2 || true
    exit 1
  fi
fi
echo "catalogue current: $(texts "$catalogue" | wc -l) texts"
