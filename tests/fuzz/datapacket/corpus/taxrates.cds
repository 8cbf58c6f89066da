<?xml version="1.0" encoding="UTF-8"?>
<DATAPACKET Version="2.0">
 <METADATA>
  <FIELDS>
   <FIELD attrname="CDALIQIMPFIS" fieldtype="string" WIDTH="10"/>
   <FIELD attrname="VRALIQIMPFIS" fieldtype="r8"/>
   <FIELD attrname="IDALIQIMPFIS" fieldtype="string" WIDTH="1"/>
  </FIELDS>
  <PARAMS/>
 </METADATA>
 <ROWDATA>
  <ROW CDALIQIMPFIS="T18" VRALIQIMPFIS="18" IDALIQIMPFIS="T"/>
  <ROW CDALIQIMPFIS="T07" VRALIQIMPFIS="7.5" IDALIQIMPFIS="T"/>
 </ROWDATA>
</DATAPACKET>
