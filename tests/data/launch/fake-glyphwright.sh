#!/bin/sh
# Stands in for Glyphwright: writes its arguments, one per line, to the file named by
# QB_GLYPHWRIGHT_LOG. The file appears whole, so a test can wait for it.
for argument in "$@"; do
    printf '%s\n' "$argument"
done > "$QB_GLYPHWRIGHT_LOG.part" && mv "$QB_GLYPHWRIGHT_LOG.part" "$QB_GLYPHWRIGHT_LOG"
