#!/bin/sh
# Stands in for the browser: appends the address it was given to the file
# named by CARDLING_URL_LOG.
printf '%s\n' "$1" >> "${CARDLING_URL_LOG:?}"
