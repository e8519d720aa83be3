# Caller lists as exports hold them, for the benchmarks: numbers spread over
# the whole Korean numbering plan (mobile, Seoul, the areas, VoIP, the
# representative 1588/1644 numbers) and a few foreign ones, written the ways
# spreadsheets write them ("010-1234-5678", "01012345678", a dropped leading
# zero, "+82 10-...", "(02) 471-0044", dots), with placeholders and blanks;
# one element per line. Usage: awk -v n=ROWS -v seed=S -f realistic_list.awk
function pad(x, w) { return sprintf("%0" w "d", x) }
function rnd(k) { return int(rand() * k) }
function number(   kind, a, b, c, area, areas, form) {
  kind = rnd(100)
  split("31 32 33 41 42 43 44 51 52 53 54 55 61 62 63 64", areas, " ")
  if (kind < 45) { a = "10"; b = pad(2000 + rnd(8000), 4); c = pad(rnd(10000), 4) }         # mobile
  else if (kind < 60) { a = "2"; b = pad(200 + rnd(800), 3 + rnd(2)); c = pad(rnd(10000), 4) } # Seoul
  else if (kind < 78) { a = areas[1 + rnd(16)]; b = pad(200 + rnd(800), 3); c = pad(rnd(10000), 4) } # areas
  else if (kind < 86) { a = "70"; b = pad(2000 + rnd(8000), 4); c = pad(rnd(10000), 4) }   # VoIP
  else if (kind < 93) { return sprintf("%s-%s", (rnd(2) ? "1588" : "1644"), pad(rnd(10000), 4)) } # representative
  else if (kind < 96) { return sprintf("+1 (%d) %03d-%04d", 201 + rnd(700), 200 + rnd(800), rnd(10000)) }
  else if (kind < 98) { return sprintf("+81 3-%04d-%04d", rnd(10000), rnd(10000)) }
  else if (kind < 99) { return "000-000-0000" }
  else { return rnd(2) ? "N/A" : "" }
  form = rnd(10)
  if (form < 4) return "0" a "-" b "-" c
  if (form < 6) return "0" a b c
  if (form < 7) return a b c                      # the leading zero a spreadsheet dropped
  if (form < 8) return "+82 " a "-" b "-" c
  if (form < 9) return "(0" a ") " b "-" c
  return "0" a "." b "." c
}
BEGIN {
  srand(seed)
  printf "["
  for (i = 0; i < n; i++) printf "%s\n{\"number\":\"%s\",\"name\":\"Caller %07d\"}", (i ? "," : ""), number(), i
  printf "\n]\n"
}
