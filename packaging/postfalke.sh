#!/bin/sh
# Starts Postfalke from its own folder, where it finds its help pages, logo and sound.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/postfalke/postfalke" "$@"
