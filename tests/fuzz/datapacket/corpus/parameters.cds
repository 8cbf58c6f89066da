<?xml version="1.0" encoding="UTF-8"?>
<DATAPACKET Version="2.0">
 <METADATA>
  <FIELDS>
   <FIELD attrname="CDFILIAL" fieldtype="string" WIDTH="255"/>
   <FIELD attrname="CDCAIXA" fieldtype="string" WIDTH="255"/>
   <FIELD attrname="DSDIRCAD" fieldtype="string" WIDTH="255"/>
   <FIELD attrname="NRCONFTELA" fieldtype="string" WIDTH="255"/>
  </FIELDS>
  <PARAMS/>
 </METADATA>
 <ROWDATA>
  <ROW CDFILIAL="01" CDCAIXA="001" DSDIRCAD="/var/lib/pos/" NRCONFTELA="1"/>
 </ROWDATA>
</DATAPACKET>
