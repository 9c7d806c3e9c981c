"""The page's style sheet: Slack's look for messages, forms, views, charts and tables."""

CSS = """
* { box-sizing: border-box; }
body { margin: 0; background: #fff; color: #1d1c1d;
  font: 15px/1.46668 Lato, "Helvetica Neue", Helvetica, "Segoe UI", Arial, sans-serif; }
a { color: #1264a3; text-decoration: none; }
.preview { padding: 12px 0; }
.bar { margin: 0 20px 6px; padding: 6px 10px; border-radius: 6px; font-size: 13px; }
.notification { background: #f8f8f8; border: 1px solid #e8e8e8; white-space: pre-wrap; }
.notification .label, .caption { color: #616061; font-weight: 700; margin-right: 3px; }
.notification .missing { color: #616061; font-style: italic; }
.summary.ok { color: #007a5a; background: #e3f4ee; }
.summary.bad { color: #8f1d3b; background: #fce8ee; }
.caption { margin: 12px 20px 0; font-size: 12px; }
.message { display: flex; gap: 8px; padding: 8px 20px; }
.avatar { flex: none; width: 36px; height: 36px; border-radius: 6px; background: #4a154b; color: #fff;
  font-weight: 900; font-size: 20px; text-align: center; line-height: 36px; }
.content { flex: 1; min-width: 0; }
.sender { font-weight: 900; }
.badge { margin-left: 2px; padding: 1px 3px; border-radius: 2px; background: #e8e8e8; color: #616061;
  font-size: 10px; font-weight: 700; vertical-align: 2px; }
.block { margin: 4px 0; }
.block.has-problems > .drawn { outline: 2px solid #e01e5a; outline-offset: 2px; border-radius: 2px; }
.problems { margin: 6px 0 8px; padding: 4px 8px; list-style: none; background: #fce8ee; color: #8f1d3b;
  border-left: 4px solid #e01e5a; font-size: 13px; }
.problems code { color: inherit; background: none; border: 0; padding: 0; margin-right: 3px; }
.text, .field, .context, .rt-section, .rt-quote, .notification { white-space: pre-wrap; overflow-wrap: anywhere; }
.header { font-size: 18px; font-weight: 900; line-height: 1.33; margin: 8px 0 4px; }
.divider { border: 0; border-top: 1px solid #dddddd; margin: 12px 0; }
.section { display: flex; gap: 12px; align-items: flex-start; }
.section-main { flex: 1; min-width: 0; }
.fields { display: grid; grid-template-columns: 1fr 1fr; gap: 8px 16px; margin-top: 4px; }
.text + .fields { margin-top: 8px; }
.accessory { flex: none; max-width: 50%; }
.actions { display: flex; flex-wrap: wrap; gap: 8px; align-items: flex-start; margin: 8px 0; }
.context { display: flex; flex-wrap: wrap; gap: 4px 8px; align-items: center; font-size: 12px; color: #616061; }
code { font: 12px Monaco, Menlo, Consolas, "Courier New", monospace; color: #e01e5a; background: #f6f6f6;
  border: 1px solid #dddddd; border-radius: 3px; padding: 1px 3px; }
pre.code { font: 12px/1.5 Monaco, Menlo, Consolas, "Courier New", monospace; background: #f8f8f8;
  border: 1px solid #dddddd; border-radius: 4px; padding: 8px; margin: 4px 0; white-space: pre-wrap;
  overflow-wrap: anywhere; }
pre.code code, .markdown pre code { color: inherit; background: none; border: 0; padding: 0; }
.markdown pre { font: 12px/1.5 Monaco, Menlo, Consolas, "Courier New", monospace; background: #f8f8f8;
  border: 1px solid #dddddd; border-radius: 4px; padding: 8px; margin: 4px 0; white-space: pre; overflow-x: auto; }
blockquote { margin: 4px 0; padding-left: 12px; border-left: 4px solid #dddddd; }
.mention { border-radius: 3px; padding: 0 2px; color: #1264a3; background: #e8f5fa; }
.mention.broadcast { color: #1d1c1d; background: #fcefc0; }
.emoji-name { color: #616061; }
.date { border-bottom: 1px dotted #616061; }
.swatch { display: inline-block; width: 12px; height: 12px; border-radius: 2px; margin-right: 3px;
  vertical-align: -1px; border: 1px solid rgba(0, 0, 0, .2); }
.button, .select, .picker, .overflow { display: inline-flex; align-items: center; gap: 6px; height: 32px;
  padding: 0 12px; border: 1px solid rgba(29, 28, 29, .3); border-radius: 4px; background: #fff; color: #1d1c1d;
  font-size: 14px; white-space: nowrap; }
.button { font-weight: 700; }
.button.primary { background: #007a5a; border-color: #007a5a; color: #fff; }
.button.danger { background: #e01e5a; border-color: #e01e5a; color: #fff; }
.select { min-width: 160px; height: auto; min-height: 32px; justify-content: space-between; font-weight: 400; }
.chevron { color: #616061; }
.placeholder { color: #717274; }
.chips { display: flex; flex-wrap: wrap; gap: 4px; }
.chip { background: #e8e8e8; border-radius: 3px; padding: 0 4px; }
.overflow { padding: 0 8px; font-weight: 700; }
.choices { display: flex; flex-direction: column; gap: 6px; }
.choice { display: flex; gap: 8px; align-items: flex-start; }
.radio, .check { flex: none; width: 16px; height: 16px; margin-top: 3px; border: 1px solid #868686; background: #fff; }
.radio { border-radius: 50%; }
.check { border-radius: 3px; }
.radio.on { border: 5px solid #1264a3; }
.check.on { background: #1264a3; border-color: #1264a3; box-shadow: inset 0 0 0 3px #1264a3, inset 0 0 0 8px #fff; }
.description { display: block; color: #616061; font-size: 13px; }
.img { display: inline-grid; overflow: hidden; vertical-align: middle; border-radius: 4px; background: #f4f4f4; }
.img > * { grid-area: 1 / 1; }
.img .alt { padding: 4px 6px; color: #616061; font-size: 12px; overflow: hidden; }
.img img { position: relative; display: block; place-self: start; }
.img.picture { max-width: 100%; }
.img.picture .alt { contain: inline-size; min-height: 48px; max-height: 120px; }
.img.picture img { min-width: 160px; max-width: 100%; max-height: 360px; background: #fff; }
.img.thumb { width: 88px; height: 88px; }
.img.icon { width: 20px; height: 20px; }
.img.thumb img, .img.icon img { min-width: 100%; min-height: 100%; max-width: 100%; max-height: 100%; object-fit: cover; }
.img.icon .alt { padding: 0; font-size: 9px; line-height: 1; }
.image-title { font-size: 13px; color: #616061; margin-bottom: 4px; }
.rt-list { margin: 0; padding-left: 0; }
.rt-list.border { border-left: 4px solid #dddddd; }
.table-wrap { overflow-x: auto; margin: 4px 0; }
.table { border-collapse: collapse; font-size: 14px; }
.table td { border: 1px solid #dddddd; padding: 4px 8px; vertical-align: top; }
.table td.nowrap { white-space: nowrap; }
.markdown > :first-child { margin-top: 0; }
.markdown > :last-child { margin-bottom: 0; }
.markdown.as-typed { white-space: pre-wrap; }
.markdown table { border-collapse: collapse; }
.markdown th, .markdown td { border: 1px solid #dddddd; padding: 4px 8px; }
.input { margin: 6px 0 12px; }
.input-label { font-weight: 700; margin-bottom: 6px; overflow-wrap: anywhere; }
.optional { font-weight: 400; color: #616061; }
.hint { margin-top: 6px; font-size: 13px; color: #616061; overflow-wrap: anywhere; }
.input-element > .select, .input-element > .field { display: flex; }
.field { display: inline-flex; align-items: center; min-width: 200px; min-height: 36px; padding: 6px 12px;
  border: 1px solid rgba(29, 28, 29, .3); border-radius: 4px; background: #fff; white-space: pre-wrap; overflow-wrap: anywhere; }
.field.multiline { align-items: flex-start; min-height: 84px; }
.rich-input { flex-direction: column; align-items: stretch; padding: 0; }
.rich-value { min-height: 56px; padding: 8px 12px; }
.toolbar { display: flex; gap: 14px; padding: 4px 12px; border-top: 1px solid #eeeeee; background: #f8f8f8;
  color: #616061; font-size: 13px; }
.file-drop { display: flex; flex-direction: column; align-items: center; gap: 2px; padding: 16px;
  border: 1px dashed rgba(29, 28, 29, .4); border-radius: 8px; font-size: 14px; }
.file-drop .browse { color: #1264a3; }
.pickers { display: inline-flex; flex-wrap: wrap; gap: 8px; }
.alert { display: flex; gap: 8px; margin: 4px 0; padding: 10px 12px; border-radius: 6px; background: #f4f4f4; }
.alert.info { background: #e8f5fa; }
.alert.warning { background: #fef3d7; }
.alert.error { background: #fce8ee; }
.alert.success { background: #e3f4ee; }
.alert-icon { font-weight: 700; }
.backdrop { margin: 0 20px; padding: 24px 16px; border-radius: 6px; background: #8d8c8d; }
.modal { max-width: 520px; margin: 0 auto; border-radius: 8px; background: #fff; box-shadow: 0 18px 48px rgba(0, 0, 0, .35); }
.modal-head { display: flex; align-items: center; gap: 10px; padding: 16px 20px; border-bottom: 1px solid #dddddd; }
.avatar.small { width: 24px; height: 24px; border-radius: 4px; font-size: 14px; line-height: 24px; }
.modal-title { flex: 1; min-width: 0; font-size: 20px; font-weight: 900; overflow-wrap: anywhere; }
.modal-close { color: #616061; }
.modal-body { padding: 8px 20px 12px; }
.modal-foot { display: flex; justify-content: flex-end; gap: 8px; padding: 14px 20px; border-top: 1px solid #dddddd; }
.home { margin: 0 20px; border: 1px solid #dddddd; border-radius: 8px; }
.home-head { display: flex; align-items: center; gap: 8px; padding: 12px 20px 6px; }
.tabs { display: flex; gap: 20px; padding: 0 20px; border-bottom: 1px solid #dddddd; font-size: 14px; }
.tab { padding: 6px 0; color: #616061; }
.tab.on { color: #1d1c1d; font-weight: 700; box-shadow: inset 0 -2px #1264a3; }
.home-body { padding: 8px 20px 16px; }
.chart { margin: 4px 0; padding: 12px; border: 1px solid #dddddd; border-radius: 8px; }
.chart-title { margin-bottom: 8px; font-weight: 700; overflow-wrap: anywhere; }
.chart svg { display: block; max-width: 100%; height: auto; }
.chart svg text { fill: #616061; font: 11px Lato, "Helvetica Neue", Helvetica, Arial, sans-serif; }
.chart svg .axis-label { fill: #1d1c1d; font-weight: 700; }
.legend { display: flex; flex-wrap: wrap; gap: 4px 14px; margin-top: 8px; font-size: 13px; }
.legend-item { display: inline-flex; align-items: center; gap: 6px; }
.legend-mark { flex: none; width: 10px; height: 10px; border-radius: 2px; }
.legend-note { color: #616061; }
.pie-row { display: flex; flex-wrap: wrap; align-items: center; gap: 20px; }
.pie-row .legend { flex-direction: column; margin: 0; }
.data-table { margin: 4px 0; border: 1px solid #dddddd; border-radius: 8px; overflow: hidden; }
.data-table-caption { padding: 8px 12px; font-weight: 700; overflow-wrap: anywhere; }
.data-table .table-wrap { margin: 0; }
.data-table .table { width: 100%; }
.data-table .table th, .data-table .table td { padding: 6px 12px; border: 0; border-top: 1px solid #eeeeee;
  text-align: left; white-space: nowrap; vertical-align: top; }
.data-table .table th { background: #f8f8f8; }
.data-table .table .number { text-align: right; }
.pager { display: flex; justify-content: flex-end; align-items: center; gap: 8px; padding: 6px 12px;
  border-top: 1px solid #dddddd; color: #616061; font-size: 13px; }
.page-button { padding: 0 7px; border: 1px solid #dddddd; border-radius: 4px; color: #1d1c1d; }
.page-button.off { color: #bbbbbb; }
.unknown { display: inline-block; padding: 2px 6px; border: 1px dashed #868686; border-radius: 4px;
  background: #f4f4f4; color: #616061; font-size: 12px; font-style: italic; }
.unknown-block .unknown { display: block; padding: 8px; }
"""
