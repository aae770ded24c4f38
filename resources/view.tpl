<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>SL</title>
<style>
html, body { margin: 0; padding: 0; }
body { background: #ffffff; color: #202124; font-family: "dejavu sans", "liberation sans", arial, sans-serif; font-size: 13px; }
.envelope { border-collapse: collapse; width: 100%; background: #f3f5f8; border-bottom: 1px solid #d5dae1; }
.envelope th, .envelope td { padding: 4px 12px; vertical-align: top; text-align: left; }
.envelope th { width: 1%; white-space: nowrap; color: #5f6670; font-weight: normal; }
.envelope td { word-break: break-word; }
.envelope .subject td { font-size: 15px; font-weight: bold; padding-bottom: 10px; }
.message { padding: 12px; line-height: 1.45; overflow-wrap: anywhere; }
.message img { max-width: 100%; height: auto; }
</style>
</head>
<body>
<table class="envelope">
<tr><th>From:</th><td>FN&lt;FEML&gt;</td></tr>
<tr><th>Reply-To:</th><td>RT&lt;REML&gt;</td></tr>
<tr><th>Date:</th><td>DT</td></tr>
<tr class="subject"><th>Subject:</th><td>SL</td></tr>
</table>
<div class="message">
DESC
</div>
</body>
</html>
