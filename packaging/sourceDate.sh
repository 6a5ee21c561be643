# Sourced by the release scripts, with $source the top of the sources: the
# time that every file of a release carries, so that two builds of one commit
# give the same bytes. It is the commit's time in a git checkout, else that of
# the newest changelog entry (a source tarball has no history), unless
# SOURCE_DATE_EPOCH is set already.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if [ -e "$source/.git" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct)
  else
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Timestamp)
  fi
fi
export SOURCE_DATE_EPOCH
