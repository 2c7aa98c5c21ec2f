// The peer line of bench/whole-process.sh: MuPDF's own redaction of the occurrences veilmark
// finds, as a user of the library would script it (a redaction annotation per rectangle, then
// the page's redactions applied, then a garbage-collected save).
//   mutool run bench/mupdf-redact.js IN.pdf OCCURRENCES.jsonl OUT.pdf
// OCCURRENCES.jsonl: the output of "veilmark scan --json IN.pdf".
var input = scriptArgs[0], occurrences = scriptArgs[1], output = scriptArgs[2];
var byPage = {};
var lines = read(occurrences).split("\n");
for (var i = 0; i < lines.length; ++i) {
  if (!lines[i]) continue;
  var o = JSON.parse(lines[i]);
  if (o.where !== "page") continue;
  if (!byPage[o.page]) byPage[o.page] = [];
  for (var k = 0; k < o.rects.length; ++k) byPage[o.page].push(o.rects[k]);
}
var doc = new PDFDocument(input);
for (var key in byPage) {
  var page = doc.loadPage(parseInt(key, 10));
  var top = page.bound()[3];
  var rects = byPage[key];
  for (var j = 0; j < rects.length; ++j) {
    var r = rects[j];  // PDF user space, y upwards; annotations take page space, y downwards
    page.createAnnotation("Redact").setRect([r[0], top - r[3], r[2], top - r[1]]);
  }
  page.applyRedactions(true);
}
doc.save(output, "garbage,compress");
