# Sourced by the scripts: the program's office pipe, and a headless Writer
# of a script's own.

# Whether an office of this user listens on the pipe named $1 (a socket file
# left by an office that ended does not count).
pipe_listening() {
  awk -v path="/tmp/OSL_PIPE_$(id -u)_$1" '$4 == "00010000" && $8 == path { found = 1 }
      END { exit !found }' /proc/net/unix 2>/dev/null
}

# Starts a headless Writer with a new document in a process group of its
# own: profile folder $1, pipe $2, output to $3. Its process (and group) id
# goes to OFFICE_PID. A fresh profile makes the office restart once; the
# soffice wrapper sees to that.
start_private_office() {
  setsid soffice --headless --invisible --norestore --nologo --nolockcheck \
    "-env:UserInstallation=file://$1" "--accept=pipe,name=$2;urp;StarOffice.ComponentContext" \
    private:factory/swriter >"$3" 2>&1 &
  OFFICE_PID=$!
}
