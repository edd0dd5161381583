// Run in the card once it has loaded: brings every picture into view and
// waits until it has loaded or failed, goes back to the top of the page and
// puts there, unseen, the page's text as shown; each picture's size as shown
// and as loaded (0 if it did not load), its loading, the width of its figure
// and its alt text; every link; and what each Copy button selects.
(async () => {
  for (const image of document.images) {
    image.scrollIntoView();
    if (!image.complete) await new Promise(done => { image.onload = image.onerror = done; });
  }
  scrollTo(0, 0);
  const seen = document.createElement("script");
  seen.type = "text/plain";
  seen.textContent = [document.body.innerText,
    ...[...document.images].map(i => `picture ${i.getAttribute("src")}: ${i.width} x ${i.height} of ${i.naturalWidth}, ` +
      `${i.loading}, in ${i.closest("figure").offsetWidth}: ${i.alt}`),
    ...[...document.querySelectorAll("[href]")].map(e => "link " + e.getAttribute("href")),
    ...[...document.querySelectorAll("button")].map(b => { b.click(); return "copies " + getSelection(); })
  ].join("\n") + "\n";
  getSelection().removeAllRanges();
  document.body.append(seen);
})();
