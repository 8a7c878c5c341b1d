# Doxygen's input filter for the public headers: they keep the plain comments of
# the code base, and this reads them as documentation. The opening block becomes
# the file's description; a comment on its own line documents what follows it; a
# comment after code documents that code, and so do the lines that continue it in
# the same column. Banners ("// ---- ...") stay plain comments.

function indent_of(s) { match(s, /^[ \t]*/); return RLENGTH }

BEGIN { opening = 1; trailing_column = -1 }

{
  line = $0
  if (opening) {
    if (line ~ /^\/\//) {
      if (!file_named) { print "/// \\file"; file_named = 1 }
      sub(/^\/\//, "///", line); print line; next
    }
    opening = 0
  }
  if (line ~ /^[ \t]*\/\/ *----/) { trailing_column = -1; print line; next }
  if (line ~ /^[ \t]*\/\//) {
    if (indent_of(line) == trailing_column) { sub(/\/\//, "///<", line); print line; next }
    trailing_column = -1
    sub(/\/\//, "///", line); print line; next
  }
  # Code with a comment after it; "//" inside a string is left alone.
  position = index(line, "  //")
  before = substr(line, 1, position)
  if (position > 0 && gsub(/"/, "", before) % 2 == 0) {
    trailing_column = position + 1
    comment = substr(line, position + 2)
    sub(/^\/\//, "///<", comment)
    code = substr(line, 1, position - 1)
    # "int x0 = 0, y0 = 0;  // ..." documents each of the variables it declares.
    if (code ~ /;[ \t]*$/ && code !~ /[(){}[]/ &&
        match(code, /^[ \t]*[A-Za-z_][A-Za-z_0-9:<>]*[ *&]+/) && index(code, ",") > 0) {
      type = substr(code, 1, RLENGTH)
      rest = substr(code, RLENGTH + 1)
      sub(/;[ \t]*$/, "", rest)
      n = split(rest, names, ",")
      for (i = 1; i <= n; i++) {
        sub(/^[ \t]+/, "", names[i])
        print type names[i] ";  " comment
      }
      next
    }
    print code "  " comment; next
  }
  trailing_column = -1
  print line
}
